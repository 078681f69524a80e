#include "platform/grid/syntax.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <climits>
#include <optional>
#include <sqlext.h>

namespace platform::grid {

namespace {

// ---------------------------------------------------------------------------------------------
// Writing

bool isBareWord(const QString& value) {
    if (value.isEmpty())
        return false;
    return std::all_of(value.begin(), value.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
               u == u'_';
    });
}

QString quoted(const QString& value) {
    QString out;
    out.reserve(value.size() + 2);
    out += u'"';
    for (const QChar c : value) {
        switch (c.unicode()) {
        case u'"':
            out += u"~\"";
            break;
        case u'~':
            out += u"~~";
            break;
        case u'\r':
            out += u"~r";
            break;
        case u'\n':
            out += u"~n";
            break;
        case u'\t':
            out += u"~t";
            break;
        case u'(':
            // Keeps the column marker out of every value, so that a scan for it finds only the
            // column controls.
            if (out.endsWith(u"column"))
                out += u"~(";
            else
                out += c;
            break;
        default:
            out += c;
        }
    }
    out += u'"';
    return out;
}

QString nameValue(const QString& name) {
    return isBareWord(name) ? name : quoted(name);
}

QString yesNo(bool value) {
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

QString typeText(const ColumnInfo& column) {
    QString text = kindName(column.kind) + u'(' + QString::number(column.size);
    if (column.decimals != 0)
        text += u',' + QString::number(column.decimals);
    return text + u')';
}

} // namespace

// -------------------------------------------------------------------------------------------------

QString writeSyntax(const GridDefinition& definition) {
    // Plain concatenation: values may hold '%', which QString::arg chains would substitute.
    QString out = QStringLiteral("release 1;\ndatawindow(processing=1 style=grid)\ntable(");
    for (std::size_t i = 0; i < definition.columns.size(); ++i) {
        const ColumnInfo& c = definition.columns[i];
        if (i != 0)
            out += u' ';
        out += QStringLiteral("column=(type=") + typeText(c) + QStringLiteral(" sqltype=") +
               QString::number(c.sqlType) + QStringLiteral(" name=") + nameValue(c.name) +
               QStringLiteral(" dbname=") + quoted(c.dbName) + QStringLiteral(" key=") +
               yesNo(c.key) + QStringLiteral(" updatable=") + yesNo(c.updatable) +
               QStringLiteral(" nullable=") + yesNo(c.nullable) + QStringLiteral(")\n");
    }
    out += QStringLiteral(" select=") + quoted(definition.select) + QStringLiteral("\n update=") +
           quoted(definition.updateTable) + QStringLiteral("\n external=") +
           yesNo(definition.external) + QStringLiteral(")\n");
    for (const ColumnInfo& c : definition.columns) {
        out += QStringLiteral("text(name=") + nameValue(c.name + QStringLiteral("_t")) +
               QStringLiteral(" band=header text=") + quoted(c.label) + QStringLiteral(")\n");
    }
    for (std::size_t i = 0; i < definition.columns.size(); ++i) {
        const ColumnInfo& c = definition.columns[i];
        out += QStringLiteral("column(name=") + nameValue(c.name) +
               QStringLiteral(" band=detail id=") + QString::number(i + 1) +
               QStringLiteral(" alignment=\"") + (isNumeric(c.kind) ? u'1' : u'0') +
               QStringLiteral("\" width=") + QString::number(columnWidth(c)) +
               QStringLiteral(")\n");
    }
    return out;
}

QString selectForDisplay(const QString& select) {
    QString display = select;
    return display.replace(u'"', QStringLiteral("~\""));
}

QString selectFromDisplay(const QString& display) {
    QString select = display;
    return select.replace(QStringLiteral("~\""), QStringLiteral("\""));
}

QString columnNameFor(const QString& resultName, int position) {
    if (resultName.isEmpty())
        return QStringLiteral("compute_%1").arg(position, 4, 10, QLatin1Char('0'));
    const QString lower = resultName.toLower();
    QString name;
    name.reserve(lower.size());
    for (qsizetype i = 0; i < lower.size(); ++i) {
        const char16_t c = lower.at(i).unicode();
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_') {
            name += QChar(c);
            continue;
        }
        // One character, one '_', also outside the basic plane.
        if (QChar::isHighSurrogate(c) && i + 1 < lower.size() && lower.at(i + 1).isLowSurrogate())
            ++i;
        name += u'_';
    }
    return name;
}

std::vector<QString> columnNames(const QStringList& resultNames) {
    std::vector<QString> base;
    base.reserve(static_cast<std::size_t>(resultNames.size()));
    for (qsizetype i = 0; i < resultNames.size(); ++i)
        base.push_back(columnNameFor(resultNames.at(i), static_cast<int>(i) + 1));
    const QSet<QString> ownNames(base.begin(), base.end());

    std::vector<QString> names;
    QSet<QString> used;
    // For a name seen before, the number to try next: every lower one is taken already, so a
    // result with many columns of one name costs no more than one with as many names.
    QHash<QString, int> nextNumber;
    for (const QString& name : base) {
        QString unique = name;
        if (used.contains(unique)) {
            int& n = nextNumber[name];
            n = std::max(n, 2);
            // A suffixed name must not take the own name of another column.
            do
                unique = name + u'_' + QString::number(n++);
            while (used.contains(unique) || ownNames.contains(unique));
        }
        used.insert(unique);
        names.push_back(unique);
    }
    return names;
}

int columnWidth(const ColumnInfo& column) {
    // A described size can be anything up to the largest long; no grid is wider than 40.
    const long size = std::clamp<long>(column.size, 0, 1000);
    long chars = 0;
    switch (column.kind) {
    case ColumnKind::Text:
        chars = size;
        break;
    case ColumnKind::Integer:
        chars = size + 1;
        break;
    case ColumnKind::Decimal:
        chars = size + 2;
        break;
    case ColumnKind::Float:
        chars = 14;
        break;
    case ColumnKind::Date:
        chars = 10;
        break;
    case ColumnKind::Time:
        chars = 8;
        break;
    case ColumnKind::Timestamp:
        chars = 19;
        break;
    case ColumnKind::Boolean:
        chars = 5;
        break;
    case ColumnKind::Binary:
        chars = 16;
        break;
    }
    chars = std::clamp<long>(std::max<long>(chars, column.label.size()), 4, 40);
    // About 28 units a character of the grid's font, and a margin.
    return static_cast<int>(chars * 28 + 40);
}

} // namespace platform::grid
