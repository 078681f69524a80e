#include "platform/grid/clipboard.h"

#include <QStringList>

namespace platform::grid {

namespace {

QString plainCell(const QString& text) {
    const bool quote = text.contains(u'\t') || text.contains(u'\n') || text.contains(u'\r') ||
                       text.startsWith(u'"');
    if (!quote)
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString htmlCell(const QString& text) {
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    escaped.replace(u'\n', QStringLiteral("<br>"));
    return escaped;
}

class Writer {
public:
    Writer() {
        out_.html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><table>\n");
    }

    // One line of cells, NULL already as empty text.
    void line(const QStringList& cells, bool headingLine) {
        const QString cellTag = headingLine ? QStringLiteral("th") : QStringLiteral("td");
        out_.html += QStringLiteral("<tr>");
        for (int i = 0; i < cells.size(); ++i) {
            if (i > 0)
                out_.plain += u'\t';
            out_.plain += plainCell(cells.at(i));
            out_.html += u'<' + cellTag + u'>' + htmlCell(cells.at(i)) + QStringLiteral("</") +
                         cellTag + u'>';
        }
        out_.plain += u'\n';
        out_.html += QStringLiteral("</tr>\n");
    }

    ClipboardText finish() {
        out_.html += QStringLiteral("</table></body></html>\n");
        return std::move(out_);
    }

private:
    ClipboardText out_;
};

QStringList headingLine(const GridRows& grid, const std::vector<int>& columns) {
    QStringList line;
    for (const int col : columns)
        line << grid.column(col).label;
    return line;
}

QStringList rowLine(const GridRows& grid, long row, const std::vector<int>& columns) {
    QStringList line;
    for (const int col : columns)
        line << (grid.isNull(row, col) ? QString() : grid.text(row, col));
    return line;
}

ClipboardText write(const GridRows& grid, const std::vector<long>& rows,
                    const std::vector<int>& columns, bool headings) {
    Writer writer;
    if (headings)
        writer.line(headingLine(grid, columns), true);
    for (const long row : rows)
        writer.line(rowLine(grid, row, columns), false);
    return writer.finish();
}

} // namespace

ClipboardText clipboardText(const GridRows& grid, const std::vector<long>& rows, bool headings) {
    std::vector<int> columns;
    for (int col = 0; col < grid.columnCount(); ++col)
        columns.push_back(col);
    return write(grid, rows, columns, headings);
}

ClipboardText clipboardCell(const GridRows& grid, long row, int column, bool headings) {
    return write(grid, {row}, {column}, headings);
}

} // namespace platform::grid
