#include "platform/printjob.h"

#include "platform/module.h"
#include "platform/print_device.h"
#include "platform/progress.h"
#include "platform/windows.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QStandardPaths>

namespace platform {
namespace {

class TextLines final : public PrintBlock {
public:
    explicit TextLines(QString text) : text_(std::move(text)) {}

    void print(PrintCanvas& canvas) override {
        QPainter& painter = canvas.painter();
        painter.setFont(PrintJob::textFont());
        const QFontMetricsF metrics(painter.font(), painter.device());
        QString text = text_;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        for (const QString& line : text.split(u'\n')) {
            const QString shown = line.isEmpty() ? QStringLiteral(" ") : line;
            const int flags = Qt::TextWordWrap | Qt::TextWrapAnywhere | Qt::TextExpandTabs;
            const QRectF box =
                metrics.boundingRect(QRectF(0, 0, canvas.area().width(), 1e9), flags, shown);
            canvas.ensureRoom(box.height());
            painter.drawText(QRectF(canvas.area().left(), canvas.area().top() + canvas.y(),
                                    canvas.area().width(), box.height()),
                             flags, shown);
            canvas.advance(box.height());
        }
    }

private:
    QString text_;
};

QString uniquePdfPath(const QString& folder, const QString& name) {
    QString base = name.isEmpty() ? QStringLiteral("print") : name;
    for (QChar& c : base) {
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_')
            c = u'_';
    }
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    const QDir dir(folder);
    QString path = dir.filePath(QStringLiteral("dorvane-%1-%2.pdf").arg(base, stamp));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("dorvane-%1-%2-%3.pdf").arg(base, stamp).arg(n));
    return path;
}

} // namespace

// ---------------------------------------------------------------------------------------------

PrintCanvas::PrintCanvas(QPagedPaintDevice& device, QPainter& painter)
    : device_(device), painter_(painter),
      area_(QPointF(0, 0), device.pageLayout().paintRectPixels(device.logicalDpiX()).size()) {}

double PrintCanvas::resolution() const {
    return device_.logicalDpiX();
}

bool PrintCanvas::laidOut(long units) {
    done_ += units;
    if (!stopped_ && progress_ && !progress_(done_))
        stopped_ = true;
    return !stopped_;
}

void PrintCanvas::newPage() {
    device_.newPage();
    y_ = 0;
    ++pages_;
}

void PrintCanvas::ensureRoom(double height) {
    if (height > remaining() && y_ > 0)
        newPage();
}

// ---------------------------------------------------------------------------------------------

QString printFileFolder() {
    const QString folder = qEnvironmentVariable("DORVANE_PRINT_DIR");
    if (!folder.isEmpty())
        return folder;
    // Without the printer module there is no printer to use.
    QString error;
    const auto hasPrinter = moduleFunction<HasDefaultPrinter>(QStringLiteral("dorvane_printer"),
                                                              "dorvane_has_default_printer", error);
    if (hasPrinter != nullptr && hasPrinter())
        return {};
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

PrintJob::PrintJob(QString name) : name_(std::move(name)) {}
PrintJob::~PrintJob() = default;

std::unique_ptr<PrintJob> PrintJob::PrintOpen(const QString& name) {
    return std::make_unique<PrintJob>(name);
}

QFont PrintJob::textFont() {
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(9);
    return font;
}

void PrintJob::Print(const QString& text) {
    add(std::make_unique<TextLines>(text));
}

void PrintJob::add(std::unique_ptr<PrintBlock> block) {
    if (!done_)
        blocks_.push_back(std::move(block));
}

void PrintJob::PrintCancel() {
    blocks_.clear();
    done_ = true;
}

std::unique_ptr<QPagedPaintDevice> PrintJob::openPrinter() {
    QString moduleError;
    const auto open = moduleFunction<OpenPrinter>(QStringLiteral("dorvane_printer"),
                                                  "dorvane_open_printer", moduleError);
    std::unique_ptr<QPagedPaintDevice> printer;
    if (open != nullptr)
        open(name_.isEmpty() ? QStringLiteral("Dorvane") : name_, outputFile_, &printer);
    if (!printer) {
        errorText_ = QStringLiteral("The printer cannot be used: %1").arg(moduleError);
        outputFile_.clear();
    }
    return printer;
}

void PrintJob::abandon(QPagedPaintDevice& printer, QPainter& painter) {
    // Cancelled: nothing printed, no part of a PDF file left.
    QString abortError;
    const auto abortPrinter = moduleFunction<AbortPrinter>(QStringLiteral("dorvane_printer"),
                                                           "dorvane_abort_printer", abortError);
    if (abortPrinter != nullptr)
        abortPrinter(&printer);
    painter.end();
    blocks_.clear();
    if (!outputFile_.isEmpty())
        QFile::remove(outputFile_);
    outputFile_.clear();
    errorText_.clear();
}

int PrintJob::PrintClose() {
    if (done_)
        return -1;
    done_ = true;

    const QString folder = printFileFolder();
    if (!folder.isEmpty()) {
        if (!QDir().mkpath(folder)) {
            errorText_ = QStringLiteral("Cannot create the folder %1.").arg(folder);
            return -1;
        }
        outputFile_ = uniquePdfPath(folder, name_);
    }
    std::unique_ptr<QPagedPaintDevice> printer = openPrinter();
    if (!printer)
        return -1;
    QPainter painter;
    if (!painter.begin(printer.get())) {
        errorText_ = outputFile_.isEmpty() ? QStringLiteral("The printer cannot be used.")
                                           : QStringLiteral("Cannot write %1.").arg(outputFile_);
        outputFile_.clear();
        return -1;
    }
    PrintCanvas canvas(*printer, painter);
    long units = 0;
    for (const auto& block : blocks_)
        units += block->units();
    WorkProgress progress(QStringLiteral("Printing..."), units, nullptr);
    canvas.setProgress([&progress](long done) { return progress.step(done); });
    for (const auto& block : blocks_) {
        if (canvas.stopped())
            break;
        block->print(canvas);
    }
    if (canvas.stopped()) {
        abandon(*printer, painter);
        return -1;
    }
    painter.end();
    blocks_.clear();

    if (!outputFile_.isEmpty())
        SetMicroHelp(QStringLiteral("Printed to %1").arg(QDir::toNativeSeparators(outputFile_)));
    return 1;
}

} // namespace platform
