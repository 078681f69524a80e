#include "platform/grid/describe.h"

#include "platform/grid/syntax.h"
#include "platform/odbc/diagnostics.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/transaction.h"
#include "platform/odbc/wide.h"
#include "platform/sql/sql_text.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <climits>
#include <optional>
#include <sqlext.h>
#include <sqlucode.h>

namespace platform::grid {

namespace {

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
std::vector<CatalogTable> catalogColumns(const std::shared_ptr<odbc::Connection>& connection,
                                         SchemaSearch search, const QString& schema,
                                         const QString& table) {
    std::vector<CatalogTable> found;
    odbc::Error ignored;
    const odbc::Statement stmt = odbc::Statement::allocate(connection, ignored);
    if (!stmt)
        return found;
    const QString escape = infoText(connection->handle(), SQL_SEARCH_PATTERN_ESCAPE);
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

QString folded(const sql::NamePart& part, SQLUSMALLINT identifierCase) {
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
    const std::vector<sql::NamePart> parts = sql::nameParts(sql::singleTableOfSelect(select));
    if (parts.empty() || parts.size() > 3)
        return std::nullopt;
    SQLUSMALLINT identifierCase = 0;
    SQLGetInfoW(slot.handle(), SQL_IDENTIFIER_CASE, &identifierCase, sizeof(identifierCase),
                nullptr);
    const sql::NamePart& tablePart = parts.back();
    const sql::NamePart* schemaPart = parts.size() >= 2 ? &parts[parts.size() - 2] : nullptr;

    // The server's own folding of unquoted names first, then the names as written.
    for (const SQLUSMALLINT fold : {identifierCase, static_cast<SQLUSMALLINT>(SQL_IC_SENSITIVE)}) {
        const QString table = folded(tablePart, fold);
        if (schemaPart) {
            auto found = catalogColumns(slot.connection(), SchemaSearch::Named,
                                        folded(*schemaPart, fold), table);
            if (!found.empty())
                return std::move(found.front());
            continue;
        }
        // An unqualified name: where the driver looks by default, else in every schema, where
        // the user's own schema wins over others.
        for (const SchemaSearch search : {SchemaSearch::DriverDefault, SchemaSearch::Any}) {
            auto found = catalogColumns(slot.connection(), search, QString(), table);
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

std::vector<QString> primaryKey(Transaction& slot, const QString& schema, const QString& table) {
    const QString known = schema + u'.' + table;
    if (const std::vector<QString>* columns = slot.knownPrimaryKey(known))
        return *columns;
    std::vector<std::pair<int, QString>> keys;
    odbc::Error ignored;
    const odbc::Statement stmt = odbc::Statement::allocate(slot.connection(), ignored);
    if (!stmt)
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
    slot.rememberPrimaryKey(known, names);
    return names;
}

bool isGridStyle(const QString& style) {
    QString compact = style;
    compact.remove(QRegularExpression(QStringLiteral("\\s")));
    return compact.compare(u"style(type=grid)", Qt::CaseInsensitive) == 0;
}

} // namespace

// -------------------------------------------------------------------------------------------------

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

    const std::vector<QString> keys = primaryKey(slot, schema, table);
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

namespace {

// Why preparing the statement failed. After the session was ended, a statement may fail with a
// text of the driver's own that does not say so (psqlODBC: "No query has been executed with that
// handle"), and the driver may not know yet that the connection is gone. A catalog call that
// cannot fail on a working connection (the tables of a name nobody uses) asks the server again:
// when it fails too, the connection is what failed.
QString prepareFailure(const std::shared_ptr<odbc::Connection>& connection,
                       const odbc::Statement& stmt, SQLRETURN rc) {
    const odbc::Error error = stmt.error(rc);
    const bool driverOwn = error.records().empty() || error.sqlState() == u"HY000";
    if (!driverOwn || error.connectionLost())
        return error.explained();
    odbc::Error ignored;
    const odbc::Statement probe = odbc::Statement::allocate(connection, ignored);
    if (!probe)
        return error.explained();
    static const QString none = QStringLiteral("dorvane_no_such_table");
    const SQLRETURN probed = SQLTablesW(probe.get(), nullptr, 0, nullptr, 0, odbc::wide(none),
                                        odbc::wideLength(none), nullptr, 0);
    if (SQL_SUCCEEDED(probed))
        return error.explained();
    return odbc::lostConnectionText() + u'\n' + probe.error(probed).text();
}

// The columns of the prepared statement `stmt`, which has `count` of them, with where each comes
// from. False, with `errors`, when the driver cannot describe one.
bool describeColumns(const odbc::Statement& stmt, SQLSMALLINT count, GridDefinition& definition,
                     QStringList& labels, std::vector<ColumnOrigin>& origins, QString& errors) {
    for (SQLUSMALLINT col = 1; col <= static_cast<SQLUSMALLINT>(count); ++col) {
        std::vector<SQLWCHAR> name(256);
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT decimals = 0;
        SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
        SQLRETURN rc = SQL_SUCCESS;
        for (;;) {
            rc =
                SQLDescribeColW(stmt.get(), col, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                &nameLength, &type, &size, &decimals, &nullable);
            if (!SQL_SUCCEEDED(rc) || nameLength < static_cast<SQLSMALLINT>(name.size()))
                break;
            name.resize(static_cast<std::size_t>(nameLength) + 1);
        }
        if (!SQL_SUCCEEDED(rc)) {
            errors = stmt.error(rc).text();
            return false;
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
    return true;
}

} // namespace

GridDefinition describeSelect(Transaction& slot, const QString& sql, QString& errors,
                              bool* noColumns) {
    errors.clear();
    if (noColumns != nullptr)
        *noColumns = false;
    if (!slot.isConnected()) {
        errors = slot.name().isEmpty()
                     ? QStringLiteral("The transaction is not connected.")
                     : QStringLiteral("Transaction %1 is not connected.").arg(slot.name());
        return {};
    }
    // Describing reads the catalog and prepares the statement, which takes locks on the server
    // (preparing an UPDATE takes its table's row-exclusive lock on PostgreSQL): whatever the
    // outcome, the unit of work it opened ends with it, unless other work keeps it open.
    const auto endRead = qScopeGuard([&slot] { slot.endReadWork(); });
    odbc::Error error;
    odbc::Statement stmt = odbc::Statement::allocate(slot.connection(), error);
    if (!stmt) {
        errors = error.text();
        return {};
    }
    const QString text = slot.statementFor(sql);
    if (text.trimmed().isEmpty()) {
        errors = QStringLiteral("The statement returns no columns.");
        return {};
    }
    // A driver may run statements joined by ";" one after another when the grid executes the
    // text, though describing shows only the first: such a text is refused here, unexecuted.
    if (sql::holdsSeveralStatements(text)) {
        errors = QStringLiteral("The text holds more than one statement; retrieve one query.");
        return {};
    }
    SQLSMALLINT count = 0;
    SQLRETURN rc = SQLPrepareW(stmt.get(), odbc::wide(text), odbc::wideLength(text));
    if (SQL_SUCCEEDED(rc))
        rc = SQLNumResultCols(stmt.get(), &count);
    if (!SQL_SUCCEEDED(rc)) {
        errors = prepareFailure(slot.connection(), stmt, rc);
        return {};
    }
    if (count <= 0) {
        errors = QStringLiteral("The statement returns no columns.");
        if (noColumns != nullptr)
            *noColumns = true;
        return {};
    }
    GridDefinition definition;
    definition.select = sql;
    QStringList labels;
    std::vector<ColumnOrigin> origins;
    if (!describeColumns(stmt, count, definition, labels, origins, errors))
        return {};
    stmt.reset();
    const std::vector<QString> names = columnNames(labels);
    for (std::size_t i = 0; i < names.size(); ++i)
        definition.columns[i].name = names[i];
    resolveUpdateTable(slot, definition, origins);
    return definition;
}

QString SyntaxFromSQL(Transaction& slot, const QString& sql, const QString& style, QString& errors,
                      bool* noColumns) {
    errors.clear();
    if (!isGridStyle(style)) {
        errors = QStringLiteral("Style '%1' is not supported; use style(type=grid).").arg(style);
        return {};
    }
    const GridDefinition definition = describeSelect(slot, sql, errors, noColumns);
    if (!errors.isEmpty())
        return {};
    return writeSyntax(definition);
}

} // namespace platform::grid
