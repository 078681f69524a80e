#include "platform/grid/syntax.h"

#include "platform/odbc/diagnostics.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/sql_text.h"
#include "platform/odbc/transaction.h"
#include "platform/odbc/wide.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <climits>
#include <optional>
#include <sqlext.h>
#include <sqlucode.h>

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

SQLSMALLINT defaultSqlType(ColumnKind kind) {
    switch (kind) {
    case ColumnKind::Text:
        return SQL_VARCHAR;
    case ColumnKind::Integer:
        return SQL_INTEGER;
    case ColumnKind::Decimal:
        return SQL_DECIMAL;
    case ColumnKind::Float:
        return SQL_DOUBLE;
    case ColumnKind::Date:
        return SQL_TYPE_DATE;
    case ColumnKind::Time:
        return SQL_TYPE_TIME;
    case ColumnKind::Timestamp:
        return SQL_TYPE_TIMESTAMP;
    case ColumnKind::Boolean:
        return SQL_BIT;
    case ColumnKind::Binary:
        return SQL_VARBINARY;
    }
    return SQL_VARCHAR;
}

// ---------------------------------------------------------------------------------------------
// Reading

// One `key=value` of an item; a value in parentheses is a nested list.
struct Node {
    QString key;
    QString text;
    bool isList = false;
    std::vector<Node> list;
    int line = 0;
};

struct Item {
    QString kind;
    std::vector<Node> attributes;
    int line = 0;
};

class Reader {
public:
    explicit Reader(const QString& text) : s_(text) {}

    std::optional<std::vector<Item>> read() {
        std::vector<Item> items;
        for (;;) {
            skipSpace();
            if (atEnd())
                return items;
            if (peek() == u')')
                return fail(QStringLiteral("Unbalanced parentheses: the ')' on line %1 closes "
                                           "nothing.")
                                .arg(line_));
            const int line = line_;
            const QString kind = word();
            if (kind.isEmpty())
                return unexpected();
            skipSpace();
            if (kind == u"release") {
                word();
                skipSpace();
                if (!atEnd() && peek() == u';')
                    ++pos_;
                continue;
            }
            if (atEnd() || peek() != u'(')
                return fail(QStringLiteral("Expected '(' after '%1' on line %2.")
                                .arg(kind, QString::number(line)));
            ++pos_;
            Item item{kind, {}, line};
            if (!attributes(item.attributes, kind, line))
                return std::nullopt;
            items.push_back(std::move(item));
        }
    }

    const QString& error() const { return error_; }

private:
    bool atEnd() const { return pos_ >= s_.size(); }
    QChar peek() const { return s_.at(pos_); }

    std::nullopt_t fail(const QString& text) {
        if (error_.isEmpty())
            error_ = text;
        return std::nullopt;
    }
    std::nullopt_t unexpected() {
        return fail(QStringLiteral("Unexpected '%1' on line %2.")
                        .arg(QString(peek()), QString::number(line_)));
    }

    void skipSpace() {
        while (!atEnd() && peek().isSpace()) {
            if (peek() == u'\n')
                ++line_;
            ++pos_;
        }
    }

    QString word() {
        const qsizetype begin = pos_;
        while (!atEnd()) {
            const QChar c = peek();
            if (c.isSpace() || c == u'(' || c == u')' || c == u'=' || c == u'"' || c == u';')
                break;
            ++pos_;
        }
        return s_.mid(begin, pos_ - begin);
    }

    bool quotedValue(QString& out) {
        const int line = line_;
        ++pos_; // the opening quote
        for (;;) {
            if (atEnd()) {
                fail(QStringLiteral("Unbalanced quotes: the value that opens on line %1 is not "
                                    "closed.")
                         .arg(line));
                return false;
            }
            QChar c = s_.at(pos_++);
            if (c == u'"')
                return true;
            if (c == u'\n')
                ++line_;
            if (c == u'~') {
                if (atEnd())
                    continue; // reported as the unclosed value
                c = s_.at(pos_++);
                switch (c.unicode()) {
                case u'r':
                    c = u'\r';
                    break;
                case u'n':
                    c = u'\n';
                    break;
                case u't':
                    c = u'\t';
                    break;
                case u'\n':
                    ++line_;
                    break;
                default:
                    break;
                }
            }
            out += c;
        }
    }

    bool value(Node& node) {
        if (atEnd()) {
            fail(QStringLiteral("Missing value for '%1' on line %2.")
                     .arg(node.key, QString::number(node.line)));
            return false;
        }
        if (peek() == u'"')
            return quotedValue(node.text);
        if (peek() == u'(') {
            ++pos_;
            node.isList = true;
            return attributes(node.list, node.key, node.line);
        }
        node.text = word();
        if (node.text.isEmpty()) {
            unexpected();
            return false;
        }
        // Arguments of a type: char(30), decimal(9,2).
        if (!atEnd() && peek() == u'(') {
            const qsizetype begin = pos_;
            const qsizetype close = s_.indexOf(u')', begin);
            const qsizetype newline = s_.indexOf(u'\n', begin);
            if (close < 0 || (newline >= 0 && newline < close)) {
                fail(QStringLiteral("Unbalanced parentheses: '%1(' on line %2 is not closed.")
                         .arg(node.text, QString::number(line_)));
                return false;
            }
            node.text += s_.mid(begin, close + 1 - begin);
            pos_ = close + 1;
        }
        return true;
    }

    bool attributes(std::vector<Node>& out, const QString& owner, int ownerLine) {
        for (;;) {
            skipSpace();
            if (atEnd()) {
                fail(QStringLiteral("Unbalanced parentheses: '%1(' on line %2 is not closed.")
                         .arg(owner, QString::number(ownerLine)));
                return false;
            }
            if (peek() == u')') {
                ++pos_;
                return true;
            }
            Node node;
            node.line = line_;
            node.key = word().toLower();
            if (node.key.isEmpty()) {
                unexpected();
                return false;
            }
            skipSpace();
            if (atEnd() || peek() != u'=') {
                fail(QStringLiteral("Expected '=' after '%1' on line %2.")
                         .arg(node.key, QString::number(node.line)));
                return false;
            }
            ++pos_;
            skipSpace();
            if (!value(node))
                return false;
            out.push_back(std::move(node));
        }
    }

    const QString& s_;
    qsizetype pos_ = 0;
    int line_ = 1;
    QString error_;
};

const Node* find(const std::vector<Node>& nodes, QStringView key) {
    for (const Node& node : nodes) {
        if (node.key == key)
            return &node;
    }
    return nullptr;
}

QString textOf(const std::vector<Node>& nodes, QStringView key) {
    const Node* node = find(nodes, key);
    return node && !node->isList ? node->text : QString();
}

std::optional<bool> flag(const Node& node, QString& errors) {
    const QString v = node.text.toLower();
    if (!node.isList && (v == u"yes" || v == u"true"))
        return true;
    if (!node.isList && (v == u"no" || v == u"false"))
        return false;
    errors = QStringLiteral("Invalid value '%1' for %2 on line %3; use yes or no.")
                 .arg(node.text, node.key, QString::number(node.line));
    return std::nullopt;
}

bool readType(const Node& node, ColumnInfo& column, QString& errors) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^([A-Za-z]+)(?:\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\))?$)"));
    const auto match = pattern.match(node.text);
    const QString name = match.captured(1);
    if (node.isList || !match.hasMatch() ||
        kindName(kindFromName(name)).compare(name, Qt::CaseInsensitive) != 0) {
        errors = QStringLiteral("Unknown column type '%1' on line %2.")
                     .arg(node.text, QString::number(node.line));
        return false;
    }
    column.kind = kindFromName(name);
    column.size = match.captured(2).toLong();
    column.decimals = match.captured(3).toInt();
    return true;
}

bool readColumn(const Node& entry, int position, ColumnInfo& column, QString& errors) {
    bool sqlTypeGiven = false;
    for (const Node& node : entry.list) {
        if (node.key == u"type") {
            if (!readType(node, column, errors))
                return false;
        } else if (node.key == u"sqltype") {
            bool ok = false;
            const int type = node.text.toInt(&ok);
            if (!ok || node.isList || type < SHRT_MIN || type > SHRT_MAX) {
                errors = QStringLiteral("Invalid SQL type '%1' on line %2.")
                             .arg(node.text, QString::number(node.line));
                return false;
            }
            column.sqlType = static_cast<SQLSMALLINT>(type);
            sqlTypeGiven = true;
        } else if (node.key == u"name") {
            column.name = node.text;
        } else if (node.key == u"dbname") {
            column.dbName = node.text;
        } else if (node.key == u"key" || node.key == u"updatable" || node.key == u"nullable") {
            const auto value = flag(node, errors);
            if (!value)
                return false;
            (node.key == u"key"         ? column.key
             : node.key == u"updatable" ? column.updatable
                                        : column.nullable) = *value;
        }
    }
    if (column.name.isEmpty()) {
        errors = QStringLiteral("Column %1 of the table section (line %2) has no name.")
                     .arg(position)
                     .arg(entry.line);
        return false;
    }
    if (!sqlTypeGiven)
        column.sqlType = defaultSqlType(column.kind);
    return true;
}

std::optional<GridDefinition> interpret(const std::vector<Item>& items, QString& errors) {
    GridDefinition definition;
    const Item* table = nullptr;
    for (const Item& item : items) {
        if (item.kind != u"table")
            continue;
        if (table) {
            errors = QStringLiteral("A second table section on line %1.").arg(item.line);
            return std::nullopt;
        }
        table = &item;
    }
    if (!table) {
        errors = QStringLiteral("The syntax has no table section.");
        return std::nullopt;
    }
    for (const Node& node : table->attributes) {
        if (node.key == u"column") {
            if (!node.isList) {
                errors = QStringLiteral("The column on line %1 is not a list in parentheses.")
                             .arg(node.line);
                return std::nullopt;
            }
            ColumnInfo column;
            if (!readColumn(node, static_cast<int>(definition.columns.size()) + 1, column, errors))
                return std::nullopt;
            if (definition.columnIndex(column.name) >= 0) {
                errors = QStringLiteral("Column name '%1' on line %2 is used twice.")
                             .arg(column.name, QString::number(node.line));
                return std::nullopt;
            }
            definition.columns.push_back(std::move(column));
        } else if (node.key == u"select") {
            definition.select = node.text;
        } else if (node.key == u"update") {
            definition.updateTable = node.text;
        } else if (node.key == u"external") {
            const auto value = flag(node, errors);
            if (!value)
                return std::nullopt;
            definition.external = *value;
        }
    }
    if (definition.columns.empty()) {
        errors = QStringLiteral("The syntax defines no columns.");
        return std::nullopt;
    }

    std::vector<int> controls(definition.columns.size(), 0);
    for (const Item& item : items) {
        const QString band = textOf(item.attributes, u"band");
        const QString name = textOf(item.attributes, u"name");
        if (item.kind == u"text" && band == u"header" && name.endsWith(u"_t")) {
            const int index = definition.columnIndex(name.chopped(2));
            if (index >= 0)
                definition.columns[static_cast<std::size_t>(index)].label =
                    textOf(item.attributes, u"text");
        } else if (item.kind == u"column") {
            if (name.isEmpty()) {
                errors =
                    QStringLiteral("The column control on line %1 has no name.").arg(item.line);
                return std::nullopt;
            }
            const int index = definition.columnIndex(name);
            if (index < 0) {
                errors = QStringLiteral("The column control '%1' on line %2 names no column of "
                                        "the table section.")
                             .arg(name, QString::number(item.line));
                return std::nullopt;
            }
            ++controls[static_cast<std::size_t>(index)];
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i] != 1) {
            errors = QStringLiteral("Column '%1' needs exactly one column control; it has %2.")
                         .arg(definition.columns[i].name, QString::number(controls[i]));
            return std::nullopt;
        }
    }
    return definition;
}

// ---------------------------------------------------------------------------------------------
// Describing

QString driverText(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    const auto records = odbc::diagnostics(handleType, handle);
    return records.empty() ? QStringLiteral("ODBC call failed with return code %1.").arg(rc)
                           : odbc::formatDiagnostics(records);
}

QString stringAttribute(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field) {
    SQLWCHAR buffer[512] = {};
    SQLSMALLINT bytes = 0;
    if (!SQL_SUCCEEDED(
            SQLColAttributeW(stmt, column, field, buffer, sizeof(buffer), &bytes, nullptr)))
        return {};
    const qsizetype chars = std::clamp<qsizetype>(bytes / 2, 0, std::size(buffer) - 1);
    return odbc::fromWide(buffer, chars);
}

QString infoText(SQLHDBC dbc, SQLUSMALLINT info) {
    SQLWCHAR buffer[256] = {};
    SQLSMALLINT bytes = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(dbc, info, buffer, sizeof(buffer), &bytes)))
        return {};
    return odbc::fromWide(buffer, std::clamp<qsizetype>(bytes / 2, 0, std::size(buffer) - 1));
}

QString cellText(SQLHSTMT stmt, SQLUSMALLINT column) {
    SQLWCHAR buffer[1024] = {};
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt, column, SQL_C_WCHAR, buffer, sizeof(buffer), &indicator)) ||
        indicator == SQL_NULL_DATA || indicator < 0)
        return {};
    return odbc::fromWide(buffer, std::clamp<qsizetype>(indicator / 2, 0, std::size(buffer) - 1));
}

// Catalog arguments of SQLColumns are patterns: '_' and '%' in a name must not match others.
QString literalPattern(const QString& name, const QString& escape) {
    if (escape.isEmpty())
        return name;
    QString out;
    for (const QChar c : name) {
        if (c == u'_' || c == u'%' || escape.contains(c))
            out += escape;
        out += c;
    }
    return out;
}

struct CatalogTable {
    QString schema;
    QString table;
    std::vector<QString> columns;
};

// How the schema of a table is looked for.
enum class SchemaSearch {
    Named,         // the schema given
    DriverDefault, // a null argument: the driver's choice (psqlODBC: the search path)
    Any            // every schema
};

// The columns of `table`, in catalog order, grouped by schema.
std::vector<CatalogTable> catalogColumns(SQLHDBC dbc, SchemaSearch search, const QString& schema,
                                         const QString& table) {
    std::vector<CatalogTable> found;
    odbc::StatementHandle stmt;
    if (!SQL_SUCCEEDED(odbc::StatementHandle::allocate(dbc, stmt)))
        return found;
    const QString escape = infoText(dbc, SQL_SEARCH_PATTERN_ESCAPE);
    const QString schemaPattern =
        search == SchemaSearch::Named ? literalPattern(schema, escape) : QStringLiteral("%");
    const QString tablePattern = literalPattern(table, escape);
    const bool nullSchema = search == SchemaSearch::DriverDefault;
    const SQLRETURN rc = SQLColumnsW(
        stmt.get(), nullptr, 0, nullSchema ? nullptr : odbc::wide(schemaPattern),
        nullSchema ? 0 : static_cast<SQLSMALLINT>(schemaPattern.size()), odbc::wide(tablePattern),
        static_cast<SQLSMALLINT>(tablePattern.size()), nullptr, 0);
    if (!SQL_SUCCEEDED(rc))
        return found;
    while (SQL_SUCCEEDED(SQLFetch(stmt.get()))) {
        const QString rowSchema = cellText(stmt.get(), 2);
        const QString rowTable = cellText(stmt.get(), 3);
        if (rowTable != table || (search == SchemaSearch::Named && rowSchema != schema))
            continue;
        auto it = std::find_if(found.begin(), found.end(),
                               [&](const CatalogTable& t) { return t.schema == rowSchema; });
        if (it == found.end())
            it = found.insert(found.end(), CatalogTable{rowSchema, rowTable, {}});
        it->columns.push_back(cellText(stmt.get(), 4));
    }
    return found;
}

QString folded(const odbc::NamePart& part, SQLUSMALLINT identifierCase) {
    if (part.quoted)
        return part.text;
    if (identifierCase == SQL_IC_UPPER)
        return part.text.toUpper();
    if (identifierCase == SQL_IC_LOWER)
        return part.text.toLower();
    return part.text;
}

// The table that the statement's FROM clause names, looked up in the catalog.
std::optional<CatalogTable> tableOfStatement(Transaction& slot, const QString& select) {
    const std::vector<odbc::NamePart> parts = odbc::nameParts(odbc::singleTableOfSelect(select));
    if (parts.empty() || parts.size() > 3)
        return std::nullopt;
    SQLUSMALLINT identifierCase = 0;
    SQLGetInfoW(slot.handle(), SQL_IDENTIFIER_CASE, &identifierCase, sizeof(identifierCase),
                nullptr);
    const odbc::NamePart& tablePart = parts.back();
    const odbc::NamePart* schemaPart = parts.size() >= 2 ? &parts[parts.size() - 2] : nullptr;

    // The server's own folding of unquoted names first, then the names as written.
    for (const SQLUSMALLINT fold : {identifierCase, static_cast<SQLUSMALLINT>(SQL_IC_SENSITIVE)}) {
        const QString table = folded(tablePart, fold);
        if (schemaPart) {
            auto found = catalogColumns(slot.handle(), SchemaSearch::Named,
                                        folded(*schemaPart, fold), table);
            if (!found.empty())
                return std::move(found.front());
            continue;
        }
        // An unqualified name: where the driver looks by default, else in every schema, where
        // the user's own schema wins over others.
        for (const SchemaSearch search : {SchemaSearch::DriverDefault, SchemaSearch::Any}) {
            auto found = catalogColumns(slot.handle(), search, QString(), table);
            if (found.size() == 1)
                return std::move(found.front());
            if (found.size() > 1) {
                const QString user = infoText(slot.handle(), SQL_USER_NAME);
                for (CatalogTable& t : found) {
                    if (t.schema.compare(user, Qt::CaseInsensitive) == 0)
                        return std::move(t);
                }
                return std::nullopt;
            }
        }
    }
    return std::nullopt;
}

std::vector<QString> primaryKey(SQLHDBC dbc, const QString& schema, const QString& table) {
    std::vector<std::pair<int, QString>> keys;
    odbc::StatementHandle stmt;
    if (!SQL_SUCCEEDED(odbc::StatementHandle::allocate(dbc, stmt)))
        return {};
    const SQLRETURN rc =
        SQLPrimaryKeysW(stmt.get(), nullptr, 0, schema.isEmpty() ? nullptr : odbc::wide(schema),
                        static_cast<SQLSMALLINT>(schema.size()), odbc::wide(table),
                        static_cast<SQLSMALLINT>(table.size()));
    if (!SQL_SUCCEEDED(rc))
        return {};
    while (SQL_SUCCEEDED(SQLFetch(stmt.get())))
        keys.emplace_back(cellText(stmt.get(), 5).toInt(), cellText(stmt.get(), 4));
    std::sort(keys.begin(), keys.end());
    std::vector<QString> names;
    for (auto& key : keys)
        names.push_back(std::move(key.second));
    return names;
}

bool isGridStyle(const QString& style) {
    QString compact = style;
    compact.remove(QRegularExpression(QStringLiteral("\\s")));
    return compact.compare(u"style(type=grid)", Qt::CaseInsensitive) == 0;
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

GridDefinition parseSyntax(const QString& text, QString& errors) {
    errors.clear();
    Reader reader(text);
    const auto items = reader.read();
    if (!items) {
        errors = reader.error();
        return {};
    }
    auto definition = interpret(*items, errors);
    if (!definition)
        return {};
    return std::move(*definition);
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
    for (const QString& name : base) {
        QString unique = name;
        // A suffixed name must not take the own name of another column.
        for (int n = 2; used.contains(unique); ++n) {
            unique = name + u'_' + QString::number(n);
            if (ownNames.contains(unique))
                unique = name; // try the next number
        }
        used.insert(unique);
        names.push_back(unique);
    }
    return names;
}

int columnWidth(const ColumnInfo& column) {
    long chars = 0;
    switch (column.kind) {
    case ColumnKind::Text:
        chars = column.size;
        break;
    case ColumnKind::Integer:
        chars = column.size + 1;
        break;
    case ColumnKind::Decimal:
        chars = column.size + 2;
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

void resolveUpdateTable(Transaction& slot, GridDefinition& definition,
                        const std::vector<ColumnOrigin>& origins) {
    definition.updateTable.clear();
    for (ColumnInfo& c : definition.columns) {
        c.key = false;
        c.updatable = false;
    }
    const std::size_t count = std::min(definition.columns.size(), origins.size());

    for (std::size_t i = 0; i < count; ++i) {
        if (!origins[i].table.isEmpty())
            definition.columns[i].dbName = origins[i].column;
    }

    // The base column of each result column that comes from the one table behind the result.
    std::vector<QString> baseColumns(count);
    QString schema;
    QString table;
    bool anyTable = false;
    for (std::size_t i = 0; i < count; ++i) {
        const ColumnOrigin& origin = origins[i];
        if (origin.table.isEmpty())
            continue;
        if (!anyTable) {
            schema = origin.schema;
            table = origin.table;
            anyTable = true;
        } else if (origin.schema != schema || origin.table != table) {
            return; // more than one table
        }
        baseColumns[i] = origin.column;
    }

    if (!anyTable) {
        // The driver does not say (Db2 at its default describe level): the FROM clause does.
        const auto found = tableOfStatement(slot, definition.select);
        if (!found)
            return;
        schema = found->schema;
        table = found->table;
        for (std::size_t i = 0; i < count; ++i) {
            const QString& label = definition.columns[i].label;
            auto it = std::find(found->columns.begin(), found->columns.end(), label);
            if (it == found->columns.end()) {
                it = std::find_if(
                    found->columns.begin(), found->columns.end(),
                    [&](const QString& c) { return c.compare(label, Qt::CaseInsensitive) == 0; });
            }
            if (it != found->columns.end()) {
                baseColumns[i] = *it;
                definition.columns[i].dbName = *it;
            }
        }
    }

    const std::vector<QString> keys = primaryKey(slot.handle(), schema, table);
    if (keys.empty())
        return;
    for (const QString& key : keys) {
        if (std::find(baseColumns.begin(), baseColumns.end(), key) == baseColumns.end())
            return;
    }

    definition.updateTable = schema.isEmpty() ? table : schema + u'.' + table;
    QSet<QString> seen;
    for (std::size_t i = 0; i < count; ++i) {
        // A column shown twice is written once, through its first appearance.
        if (baseColumns[i].isEmpty() || seen.contains(baseColumns[i]))
            continue;
        seen.insert(baseColumns[i]);
        definition.columns[i].updatable = true;
        definition.columns[i].key =
            std::find(keys.begin(), keys.end(), baseColumns[i]) != keys.end();
    }
}

GridDefinition describeSelect(Transaction& slot, const QString& sql, QString& errors) {
    errors.clear();
    if (!slot.isConnected()) {
        errors = slot.name().isEmpty()
                     ? QStringLiteral("The transaction is not connected.")
                     : QStringLiteral("Transaction %1 is not connected.").arg(slot.name());
        return {};
    }
    odbc::StatementHandle stmt;
    SQLRETURN rc = odbc::StatementHandle::allocate(slot.handle(), stmt);
    if (!SQL_SUCCEEDED(rc)) {
        errors = driverText(rc, SQL_HANDLE_DBC, slot.handle());
        return {};
    }
    const QString text = slot.statementFor(sql);
    if (text.trimmed().isEmpty()) {
        errors = QStringLiteral("The statement returns no columns.");
        return {};
    }
    rc = SQLPrepareW(stmt.get(), odbc::wide(text), odbc::wideLength(text));
    SQLSMALLINT count = 0;
    if (SQL_SUCCEEDED(rc))
        rc = SQLNumResultCols(stmt.get(), &count);
    if (!SQL_SUCCEEDED(rc)) {
        errors = driverText(rc, SQL_HANDLE_STMT, stmt.get());
        return {};
    }
    if (count <= 0) {
        errors = QStringLiteral("The statement returns no columns.");
        return {};
    }

    GridDefinition definition;
    definition.select = sql;
    QStringList labels;
    std::vector<ColumnOrigin> origins;
    for (SQLUSMALLINT col = 1; col <= static_cast<SQLUSMALLINT>(count); ++col) {
        std::vector<SQLWCHAR> name(256);
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT decimals = 0;
        SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
        for (;;) {
            rc =
                SQLDescribeColW(stmt.get(), col, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                &nameLength, &type, &size, &decimals, &nullable);
            if (!SQL_SUCCEEDED(rc) || nameLength < static_cast<SQLSMALLINT>(name.size()))
                break;
            name.resize(static_cast<std::size_t>(nameLength) + 1);
        }
        if (!SQL_SUCCEEDED(rc)) {
            errors = driverText(rc, SQL_HANDLE_STMT, stmt.get());
            return {};
        }
        ColumnInfo column;
        column.label = odbc::fromWide(name.data(), nameLength);
        if (column.label.isEmpty())
            column.label = stringAttribute(stmt.get(), col, SQL_DESC_LABEL);
        column.sqlType = type;
        column.kind = kindOfSqlType(type);
        column.size = static_cast<long>(std::min<SQLULEN>(size, LONG_MAX));
        column.decimals = decimals;
        column.nullable = nullable != SQL_NO_NULLS;
        labels.append(column.label);
        definition.columns.push_back(std::move(column));
        origins.push_back({stringAttribute(stmt.get(), col, SQL_DESC_SCHEMA_NAME),
                           stringAttribute(stmt.get(), col, SQL_DESC_BASE_TABLE_NAME),
                           stringAttribute(stmt.get(), col, SQL_DESC_BASE_COLUMN_NAME)});
    }
    stmt.reset();

    const std::vector<QString> names = columnNames(labels);
    for (std::size_t i = 0; i < names.size(); ++i)
        definition.columns[i].name = names[i];
    resolveUpdateTable(slot, definition, origins);
    return definition;
}

QString SyntaxFromSQL(Transaction& slot, const QString& sql, const QString& style,
                      QString& errors) {
    errors.clear();
    if (!isGridStyle(style)) {
        errors = QStringLiteral("Style '%1' is not supported; use style(type=grid).").arg(style);
        return {};
    }
    const GridDefinition definition = describeSelect(slot, sql, errors);
    if (!errors.isEmpty())
        return {};
    return writeSyntax(definition);
}

} // namespace platform::grid
