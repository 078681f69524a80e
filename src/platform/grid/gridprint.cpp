#include "platform/grid/gridprint.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::grid {
namespace {

// No cell is wide enough to show more characters than this; longer values are cut before they
// are measured, so that a huge text costs no more than a short one.
constexpr qsizetype longestShown = 1000;

// A cell prints on one line: line breaks and tabs in a value print as blanks.
QString oneLine(QString text) {
    if (text.size() > longestShown)
        text.truncate(longestShown);
    for (QChar& ch : text) {
        if (ch == u'\r' || ch == u'\n' || ch == u'\t')
            ch = u' ';
    }
    return text;
}

// The part of `text` that fits `width`, with an ellipsis when some of it does not. Short
// Latin text fits without measuring it.
QString fitted(const QString& text, const QFontMetricsF& metrics, double width) {
    if (text.size() * metrics.maxWidth() <= width &&
        std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.unicode() < 0x250; }))
        return text;
    return metrics.elidedText(text, Qt::ElideRight, width);
}

// Columns narrower than an even share of `pageWidth` keep their width, so that short values such
// as numbers stay whole; the wide ones give up space in proportion to their width, until the
// whole fits. Returns the width of the whole.
double shrinkToPage(std::vector<double>& widths, double pageWidth) {
    double total = 0;
    for (double width : widths)
        total += width;
    if (total <= pageWidth)
        return total;
    const double share = pageWidth / static_cast<double>(widths.size());
    double narrow = 0;
    for (double width : widths)
        narrow += width <= share ? width : 0;
    const double factor = (pageWidth - narrow) / (total - narrow);
    for (double& width : widths) {
        if (width > share)
            width *= factor;
    }
    return pageWidth;
}

// How the grid's columns print: their headings, which align right, and where they begin and end.
struct PrintColumns {
    std::vector<QString> headings;
    std::vector<bool> numeric;
    std::vector<double> widths;
    std::vector<double> edges; // one more than the columns: the left edge of each, then the right
    double total = 0;
};

// Column widths from the headings and the first rows; a single long column may not take more
// than a third of the page from the others, and the whole is shrunk to the page.
PrintColumns measureColumns(const GridRows& rows, long sample, const QFontMetricsF& metrics,
                            const QFontMetricsF& headingMetrics, double padX, const QRectF& area) {
    const int columns = rows.columnCount();
    PrintColumns out;
    out.headings.resize(static_cast<std::size_t>(columns));
    out.numeric.resize(static_cast<std::size_t>(columns));
    out.widths.resize(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        const ColumnInfo& info = rows.column(c);
        out.headings[c] = oneLine(info.label.isEmpty() ? info.name : info.label);
        out.numeric[c] = isNumeric(info.kind);
        double width = headingMetrics.horizontalAdvance(out.headings[c]);
        // Numbers further down may be longer than the first ones; the described precision
        // (with sign and point) keeps them whole.
        if (out.numeric[c] && info.size > 0)
            width =
                std::max(width, metrics.horizontalAdvance(QString(
                                    static_cast<qsizetype>(std::min(info.size, 20L) + 2), u'0')));
        for (long r = 0; r < sample; ++r) {
            if (!rows.isNull(r, c))
                width = std::max(width, metrics.horizontalAdvance(oneLine(rows.text(r, c))));
        }
        out.widths[c] = width + 2 * padX;
        if (columns > 1)
            out.widths[c] = std::min(out.widths[c], area.width() / 3);
    }
    out.total = shrinkToPage(out.widths, area.width());
    out.edges.push_back(area.left());
    for (double width : out.widths)
        out.edges.push_back(out.edges.back() + width);
    return out;
}

// Draws the parts of a printed grid: cells, the heading row and the ruling of a page.
class GridPainter {
public:
    GridPainter(QPainter& painter, const PrintColumns& columns, const QFont& font,
                const QFontMetricsF& metrics, double scale)
        : painter_(painter), columns_(columns), font_(font), headingFont_(font), metrics_(metrics),
          headingMetrics_(headingFont(font), painter.device()), padX_(3 * scale),
          rowHeight_(std::ceil(std::max(metrics.height(), headingMetrics_.height()) + 3 * scale)),
          textPen_(Qt::black), linePen_(QColor(0x80, 0x80, 0x80)) {
        headingFont_.setBold(true);
        linePen_.setWidthF(std::max(1.0, 0.75 * scale));
    }

    static QFont headingFont(QFont font) {
        font.setBold(true);
        return font;
    }
    double rowHeight() const { return rowHeight_; }

    void cell(int c, double top, const QString& text) { cell(c, top, text, metrics_); }

    void headings(double top) {
        painter_.fillRect(QRectF(columns_.edges.front(), top, columns_.total, rowHeight_),
                          QColor(0xe8, 0xe8, 0xe8));
        painter_.setPen(textPen_);
        painter_.setFont(headingFont_);
        for (int c = 0; c < static_cast<int>(columns_.headings.size()); ++c)
            cell(c, top, columns_.headings[c], headingMetrics_);
        painter_.setFont(font_);
    }

    void lines(double top, double bottom) {
        painter_.setPen(linePen_);
        for (double y = top; y <= bottom + 0.5; y += rowHeight_)
            painter_.drawLine(QPointF(columns_.edges.front(), y),
                              QPointF(columns_.edges.back(), y));
        for (double x : columns_.edges)
            painter_.drawLine(QPointF(x, top), QPointF(x, bottom));
        painter_.setPen(textPen_);
    }

private:
    void cell(int c, double top, const QString& text, const QFontMetricsF& fm) {
        const double width = columns_.widths[c] - 2 * padX_;
        if (width <= 0 || text.isEmpty())
            return;
        const Qt::Alignment align =
            (columns_.numeric[c] ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        painter_.drawText(QRectF(columns_.edges[c] + padX_, top, width, rowHeight_),
                          int(align | Qt::TextSingleLine), fitted(text, fm, width));
    }

    QPainter& painter_;
    const PrintColumns& columns_;
    QFont font_;
    QFont headingFont_;
    const QFontMetricsF& metrics_;
    QFontMetricsF headingMetrics_;
    double padX_;
    double rowHeight_;
    QPen textPen_;
    QPen linePen_;
};

} // namespace

GridPrintBlock::GridPrintBlock(const GridRows& rows, int topMargin)
    : rows_(rows), topMargin_(std::max(0, topMargin)) {}

void GridPrintBlock::print(PrintCanvas& canvas) {
    const int columns = rows_.columnCount();
    if (columns == 0)
        return;
    const long rowCount = rows_.rowCount();
    QPainter& painter = canvas.painter();
    painter.save();

    const QRectF area = canvas.area();
    const double scale = canvas.resolution() / 96.0;
    const QFont font = PrintJob::textFont();
    const QFontMetricsF metrics(font, painter.device());
    const QFontMetricsF headingMetrics(GridPainter::headingFont(font), painter.device());
    const PrintColumns layout = measureColumns(rows_, std::min(rowCount, sampleRows), metrics,
                                               headingMetrics, 3 * scale, area);
    GridPainter draw(painter, layout, font, metrics, scale);
    const double rowHeight = draw.rowHeight();
    // The margin never leaves less than a heading and one row on a page.
    const double margin =
        std::clamp(topMargin_ / 4.0 * scale, 0.0, std::max(0.0, area.height() - 2 * rowHeight));

    canvas.ensureRoom(std::max(0.0, margin - canvas.y()) + 2 * rowHeight);
    if (canvas.y() < margin)
        canvas.advance(margin - canvas.y());
    long r = 0;
    for (;;) {
        const double top = area.top() + canvas.y();
        draw.headings(top);
        canvas.advance(rowHeight);
        // At least one row a page, however small the page, so that the rows always run out.
        bool placed = false;
        const long firstOnPage = r;
        for (; r < rowCount && (canvas.remaining() >= rowHeight || !placed); ++r) {
            const double y = area.top() + canvas.y();
            for (int c = 0; c < columns; ++c) {
                if (!rows_.isNull(r, c))
                    draw.cell(c, y, oneLine(rows_.text(r, c)));
            }
            canvas.advance(rowHeight);
            placed = true;
        }
        draw.lines(top, area.top() + canvas.y());
        if (!canvas.laidOut(r - firstOnPage) || r >= rowCount)
            break;
        canvas.newPage();
        canvas.advance(margin);
    }
    painter.restore();
}

} // namespace platform::grid
