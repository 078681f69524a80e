#pragma once

#include <QFont>
#include <QRectF>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace platform {

// Where a block draws while a print job is laid out: the page's printable area and a cursor
// that moves down the page.
class PrintCanvas {
public:
    PrintCanvas(QPagedPaintDevice& device, QPainter& painter);

    QPainter& painter() { return painter_; }
    // The printable area of a page, in device pixels.
    QRectF area() const { return area_; }
    // Device pixels per inch.
    double resolution() const;
    // The current height from the top of the printable area.
    double y() const { return y_; }
    void advance(double height) { y_ += height; }
    double remaining() const { return area_.height() - y_; }
    // Starts a new page (also called by ensureRoom when the rest of the page is too small).
    void newPage();
    // Moves to a new page unless `height` still fits; a block taller than a page starts on a
    // fresh page and runs over.
    void ensureRoom(double height);
    int pageCount() const { return pages_; }

    // A block reports that `units` more of its units (a grid's rows) are laid out; false once
    // the job is to stop (the user cancelled it), and the block then returns at once.
    bool laidOut(long units);
    // Stops the job: every later laidOut answers false.
    void stop() { stopped_ = true; }
    bool stopped() const { return stopped_; }
    // Set by the job: where laidOut reports to.
    void setProgress(std::function<bool(long done)> progress) { progress_ = std::move(progress); }

private:
    QPagedPaintDevice& device_;
    QPainter& painter_;
    QRectF area_;
    double y_ = 0;
    int pages_ = 1;
    long done_ = 0;
    bool stopped_ = false;
    std::function<bool(long done)> progress_;
};

// Something a print job prints after what came before it (text lines, a grid).
class PrintBlock {
public:
    virtual ~PrintBlock() = default;
    virtual void print(PrintCanvas& canvas) = 0;
    // How many units of work the block reports through PrintCanvas::laidOut.
    virtual long units() const { return 0; }
};

// A print job with text lines. Nothing is printed until PrintClose, which lays out every block
// in order: on the default printer, or as a PDF file in $DORVANE_PRINT_DIR when that is set or
// when no printer is installed.
class PrintJob {
public:
    explicit PrintJob(QString name = {});
    ~PrintJob();
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    static std::unique_ptr<PrintJob> PrintOpen(const QString& name = {});

    // Prints text: one line, or one line per line break in it; long lines wrap.
    void Print(const QString& text);
    void add(std::unique_ptr<PrintBlock> block);

    // Prints the job. A job that takes longer than half a second shows its progress, and can be
    // cancelled: then nothing is printed (no PDF file is left). Returns 1, or -1 when the output
    // could not be made or was cancelled (errorText() is then empty).
    int PrintClose();
    // Drops the job: nothing is printed.
    void PrintCancel();

    // The PDF file written by PrintClose, if the job went to a file.
    QString outputFile() const { return outputFile_; }
    QString errorText() const { return errorText_; }
    static QFont textFont();

private:
    // The printer (or PDF file) of the job; null, with errorText_, when it cannot be used.
    std::unique_ptr<QPagedPaintDevice> openPrinter();
    // Ends a cancelled job: nothing printed, no part of a file left.
    void abandon(QPagedPaintDevice& printer, QPainter& painter);

    QString name_;
    std::vector<std::unique_ptr<PrintBlock>> blocks_;
    QString outputFile_;
    QString errorText_;
    bool done_ = false;
};

// The folder that jobs go to as PDF files, or an empty string when they go to the printer.
QString printFileFolder();

} // namespace platform
