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
    QFont headingFont = font;
    headingFont.setBold(true);
    const QFontMetricsF metrics(font, painter.device());
    const QFontMetricsF headingMetrics(headingFont, painter.device());
    const double padX = 3 * scale;
    const double padY = 1.5 * scale;
    const double rowHeight =
        std::ceil(std::max(metrics.height(), headingMetrics.height()) + 2 * padY);
    // The margin never leaves less than a heading and one row on a page.
    const double margin =
        std::clamp(topMargin_ / 4.0 * scale, 0.0, std::max(0.0, area.height() - 2 * rowHeight));

    // Column widths from the headings and the first rows; a single long column may not take
    // more than a third of the page from the others, and the whole is shrunk to the page.
    std::vector<QString> headings(static_cast<std::size_t>(columns));
    std::vector<bool> numeric(static_cast<std::size_t>(columns));
    std::vector<double> widths(static_cast<std::size_t>(columns));
    const long sample = std::min(rowCount, sampleRows);
    for (int c = 0; c < columns; ++c) {
        const ColumnInfo& info = rows_.column(c);
        headings[c] = oneLine(info.label.isEmpty() ? info.name : info.label);
        numeric[c] = isNumeric(info.kind);
        double width = headingMetrics.horizontalAdvance(headings[c]);
        // Numbers further down may be longer than the first ones; the described precision
        // (with sign and point) keeps them whole.
        if (numeric[c] && info.size > 0)
            width =
                std::max(width, metrics.horizontalAdvance(QString(
                                    static_cast<qsizetype>(std::min(info.size, 20L) + 2), u'0')));
        for (long r = 0; r < sample; ++r) {
            if (!rows_.isNull(r, c))
                width = std::max(width, metrics.horizontalAdvance(oneLine(rows_.text(r, c))));
        }
        widths[c] = width + 2 * padX;
        if (columns > 1)
            widths[c] = std::min(widths[c], area.width() / 3);
    }
    double total = 0;
    for (double width : widths)
        total += width;
    if (total > area.width()) {
        // Columns narrower than an even share keep their width, so that short values such as
        // numbers stay whole; the wide ones give up space in proportion to their width.
        const double share = area.width() / columns;
        double narrow = 0;
        for (double width : widths)
            narrow += width <= share ? width : 0;
        const double factor = (area.width() - narrow) / (total - narrow);
        for (double& width : widths) {
            if (width > share)
                width *= factor;
        }
        total = area.width();
    }
    std::vector<double> edges{area.left()};
    for (double width : widths)
        edges.push_back(edges.back() + width);

    QPen textPen(Qt::black);
    QPen linePen(QColor(0x80, 0x80, 0x80));
    linePen.setWidthF(std::max(1.0, 0.75 * scale));

    auto drawCell = [&](int c, double top, const QString& text, const QFontMetricsF& fm) {
        const double width = widths[c] - 2 * padX;
        if (width <= 0 || text.isEmpty())
            return;
        const Qt::Alignment align =
            (numeric[c] ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
        painter.drawText(QRectF(edges[c] + padX, top, width, rowHeight),
                         int(align | Qt::TextSingleLine), fitted(text, fm, width));
    };
    auto drawHeadings = [&](double top) {
        painter.fillRect(QRectF(edges.front(), top, total, rowHeight), QColor(0xe8, 0xe8, 0xe8));
        painter.setPen(textPen);
        painter.setFont(headingFont);
        for (int c = 0; c < columns; ++c)
            drawCell(c, top, headings[c], headingMetrics);
        painter.setFont(font);
    };
    auto drawLines = [&](double top, double bottom) {
        painter.setPen(linePen);
        for (double y = top; y <= bottom + 0.5; y += rowHeight)
            painter.drawLine(QPointF(edges.front(), y), QPointF(edges.back(), y));
        for (double x : edges)
            painter.drawLine(QPointF(x, top), QPointF(x, bottom));
        painter.setPen(textPen);
    };

    canvas.ensureRoom(std::max(0.0, margin - canvas.y()) + 2 * rowHeight);
    if (canvas.y() < margin)
        canvas.advance(margin - canvas.y());
    long r = 0;
    for (;;) {
        const double top = area.top() + canvas.y();
        drawHeadings(top);
        canvas.advance(rowHeight);
        // At least one row a page, however small the page, so that the rows always run out.
        bool placed = false;
        const long firstOnPage = r;
        for (; r < rowCount && (canvas.remaining() >= rowHeight || !placed); ++r) {
            const double y = area.top() + canvas.y();
            for (int c = 0; c < columns; ++c) {
                if (!rows_.isNull(r, c))
                    drawCell(c, y, oneLine(rows_.text(r, c)), metrics);
            }
            canvas.advance(rowHeight);
            placed = true;
        }
        drawLines(top, area.top() + canvas.y());
        if (!canvas.laidOut(r - firstOnPage) || r >= rowCount)
            break;
        canvas.newPage();
        canvas.advance(margin);
    }
    painter.restore();
}

} // namespace platform::grid
