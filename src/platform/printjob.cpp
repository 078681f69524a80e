#include "platform/printjob.h"

#include "platform/windows.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
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

PrintCanvas::PrintCanvas(QPrinter& printer, QPainter& painter)
    : printer_(printer), painter_(painter),
      area_(QPointF(0, 0), printer.pageLayout().paintRectPixels(printer.resolution()).size()) {}

double PrintCanvas::resolution() const {
    return printer_.resolution();
}

void PrintCanvas::newPage() {
    printer_.newPage();
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
    if (!QPrinterInfo::defaultPrinter().isNull())
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

int PrintJob::PrintClose() {
    if (done_)
        return -1;
    done_ = true;

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(name_.isEmpty() ? QStringLiteral("Dorvane") : name_);
    const QString folder = printFileFolder();
    if (!folder.isEmpty()) {
        if (!QDir().mkpath(folder)) {
            errorText_ = QStringLiteral("Cannot create the folder %1.").arg(folder);
            return -1;
        }
        outputFile_ = uniquePdfPath(folder, name_);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(outputFile_);
    }

    QPainter painter;
    if (!painter.begin(&printer)) {
        errorText_ = outputFile_.isEmpty() ? QStringLiteral("The printer cannot be used.")
                                           : QStringLiteral("Cannot write %1.").arg(outputFile_);
        outputFile_.clear();
        return -1;
    }
    PrintCanvas canvas(printer, painter);
    for (const auto& block : blocks_)
        block->print(canvas);
    painter.end();
    blocks_.clear();

    if (!outputFile_.isEmpty())
        SetMicroHelp(QStringLiteral("Printed to %1").arg(QDir::toNativeSeparators(outputFile_)));
    return 1;
}

} // namespace platform
