#pragma once

#include "platform/grid/gridrows.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

namespace testsupport {

// Rows held in memory, for testing what reads a grid's rows without a grid. A cell is its text,
// or std::nullopt for NULL; binary cells are given as upper-case hex, as grids give them.
class MemoryRows final : public platform::grid::GridRows {
public:
    using Cell = std::optional<QString>;
    using Kind = platform::grid::ColumnKind;

    // The heading is the name unless a label is given.
    MemoryRows& addColumn(const QString& name, Kind kind = Kind::Text, const QString& label = {}) {
        platform::grid::ColumnInfo info;
        info.name = name;
        info.label = label.isEmpty() ? name : label;
        info.dbName = name;
        info.kind = kind;
        columns_.push_back(std::move(info));
        return *this;
    }
    // Missing trailing cells are NULL.
    MemoryRows& addRow(std::vector<Cell> cells) {
        cells.resize(columns_.size());
        rows_.push_back(std::move(cells));
        return *this;
    }
    const Cell& cell(long row, int col) const { return rows_.at(row).at(col); }

    long rowCount() const override { return static_cast<long>(rows_.size()); }
    int columnCount() const override { return static_cast<int>(columns_.size()); }
    const platform::grid::ColumnInfo& column(int col) const override { return columns_.at(col); }
    bool isNull(long row, int col) const override { return !cell(row, col).has_value(); }
    QString text(long row, int col) const override { return cell(row, col).value_or(QString()); }
    QByteArray bytes(long row, int col) const override {
        if (columns_.at(col).kind != Kind::Binary || isNull(row, col))
            return {};
        return QByteArray::fromHex(cell(row, col)->toLatin1());
    }

private:
    std::vector<platform::grid::ColumnInfo> columns_;
    std::vector<std::vector<Cell>> rows_;
};

// 3,000 characters, non-ASCII among them, ending in a marker a cut-off copy would lack.
inline QString longText() {
    QString text;
    while (text.size() < 2990)
        text += QStringLiteral("Long text, Zo\u00eb in \u6771\u4eac. ");
    text.truncate(2990);
    return text + QStringLiteral("[long-end]");
}

// Everything that trips exports up: NULL beside empty text in every column, each format's
// separators and quotes, CR LF, lone CR and LF, tabs, backslashes and "\N", apostrophes,
// markup, non-ASCII text, a long text, decimals beyond a double's precision, floats that are
// no JSON numbers, dates, timestamps, binary values (one of them empty).
// Columns: id, name, note (text), amount (decimal), ratio (float), born (date),
// stamp (timestamp), data (binary).
inline MemoryRows awkwardRows() {
    using Kind = MemoryRows::Kind;
    MemoryRows rows;
    rows.addColumn(QStringLiteral("id"), Kind::Integer, QStringLiteral("Id"))
        .addColumn(QStringLiteral("name"), Kind::Text, QStringLiteral("Name"))
        .addColumn(QStringLiteral("note"), Kind::Text, QStringLiteral("Note"))
        .addColumn(QStringLiteral("amount"), Kind::Decimal, QStringLiteral("Amount"))
        .addColumn(QStringLiteral("ratio"), Kind::Float, QStringLiteral("Ratio"))
        .addColumn(QStringLiteral("born"), Kind::Date, QStringLiteral("Born"))
        .addColumn(QStringLiteral("stamp"), Kind::Timestamp, QStringLiteral("Stamp"))
        .addColumn(QStringLiteral("data"), Kind::Binary, QStringLiteral("Data"));
    const auto s = [](const char16_t* text) {
        return MemoryRows::Cell(QString::fromUtf16(text));
    };
    const MemoryRows::Cell null;
    rows.addRow({s(u"1"), s(u"O'Brien"), s(u"comma, \"quoted\" and 'single'"), s(u"1234.50"),
                 s(u"3.25"), s(u"2024-03-01"), s(u"2024-03-01 12:30:00"), s(u"00FF10")});
    rows.addRow({s(u"2"), s(u""), null, null, null, null, null, null});
    rows.addRow({s(u"3"), null, s(u"line one\r\nline two\nline three\r"), s(u"-0.75"), s(u"1e-05"),
                 s(u"1999-12-31"), s(u"1999-12-31 23:59:59.5"), s(u"")});
    rows.addRow({s(u"4"), s(u"Zo\u00eb"), s(u"tab\there, back\\slash \\N \\t"), s(u"0"), s(u"NaN"),
                 s(u"2000-02-29"), s(u"2000-02-29 00:00:00"), s(u"DEADBEEF")});
    rows.addRow({s(u"5"), s(u"\u6771\u4eac"), longText(), s(u"12345678901234567.89"),
                 s(u"-Infinity"), s(u"2024-12-24"), s(u"2024-12-24 18:00:00"), null});
    rows.addRow(
        {s(u"6"), s(u"<b>&amp; \"x\"</b>"), s(u""), s(u"-1"), s(u"1.5E10"), null, null, s(u"0A")});
    return rows;
}

} // namespace testsupport
