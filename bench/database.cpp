#include "database.h"

#include "platform/odbc/handles.h"
#include "platform/odbc/wide.h"

#include <QCryptographicHash>
#include <sqlext.h>

namespace bench {

using platform::Transaction;
using platform::odbc::StatementHandle;
using platform::odbc::wide;
using platform::odbc::wideLength;

std::unique_ptr<Transaction> connectSlot(const Settings& settings, const QString& name) {
    auto slot = std::make_unique<Transaction>(name);
    slot->DBMS = QStringLiteral("ODBC");
    slot->DBParm =
        QStringLiteral("DSN=%1;UID=%2;PWD=%3'").arg(settings.dsn, settings.user, settings.password);
    slot->Connect();
    if (slot->SQLCode != 0)
        throw BenchError(
            QStringLiteral("Cannot connect to %1: %2").arg(settings.dsn, slot->SQLErrText));
    return slot;
}

void execute(SQLHDBC connection, const QString& sql) {
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(StatementHandle::allocate(connection, stmt)))
        failOn(SQL_HANDLE_DBC, connection, sql);
    const SQLRETURN rc = SQLExecDirectW(stmt.get(), wide(sql), wideLength(sql));
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        failOn(SQL_HANDLE_STMT, stmt.get(), sql);
}

std::optional<long long> queryNumber(SQLHDBC connection, const QString& sql) {
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(StatementHandle::allocate(connection, stmt)))
        return std::nullopt;
    if (!SQL_SUCCEEDED(SQLExecDirectW(stmt.get(), wide(sql), wideLength(sql))) ||
        !SQL_SUCCEEDED(SQLFetch(stmt.get())))
        return std::nullopt;
    SQLBIGINT value = 0;
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(stmt.get(), 1, SQL_C_SBIGINT, &value, 0, &indicator)) ||
        indicator == SQL_NULL_DATA)
        return std::nullopt;
    return static_cast<long long>(value);
}

namespace {

// Makes `table` hold `rows` rows of `columns` (a select list over g = 1 .. rows), unless it
// already does. The table's comment records what it was made from, so that a table left by an
// earlier version of this program is made anew.
void ensureTable(SQLHDBC connection, const QString& table, long long rows, const QString& columns) {
    const QString tag =
        QString::fromLatin1(QCryptographicHash::hash((columns + QString::number(rows)).toUtf8(),
                                                     QCryptographicHash::Sha1)
                                .toHex());
    const auto present = queryNumber(
        connection, QStringLiteral("select case when obj_description('%1'::regclass, 'pg_class') "
                                   "= '%2' then (select count(*) from %1) else -1 end")
                        .arg(table, tag));
    if (present && *present == rows) {
        say(QStringLiteral("%1: present, %2 rows").arg(table).arg(rows));
        return;
    }
    say(QStringLiteral("%1: building %2 rows ...").arg(table).arg(rows));
    const auto start = Clock::now();
    execute(connection, QStringLiteral("drop table if exists ") + table);
    execute(connection, QStringLiteral("create table ") + table + QStringLiteral(" as select ") +
                            columns + QStringLiteral(" from generate_series(1, ") +
                            QString::number(rows) + QStringLiteral(") as g"));
    // Sets the hint bits and the visibility map now, so that no timed read writes pages.
    execute(connection, QStringLiteral("comment on table %1 is '%2'").arg(table, tag));
    execute(connection, QStringLiteral("vacuum analyze ") + table);
    say(QStringLiteral("%1: built in %2 s")
            .arg(table)
            .arg(secondsBetween(start, Clock::now()), 0, 'f', 1));
}

} // namespace

void prepareTables(const Settings& settings) {
    auto setup = connectSlot(settings, QStringLiteral("SETUP"));
    // Each statement commits on its own; VACUUM cannot run inside a transaction.
    SQLSetConnectAttrW(setup->handle(), SQL_ATTR_AUTOCOMMIT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0);
    execute(setup->handle(), QStringLiteral("create schema if not exists bench"));

    // Eight columns; each of them is NULL in one row of 20, no two in the same row, so 5% of
    // the cells are NULL. The text of a row is about 107 bytes.
    ensureTable(
        setup->handle(), QStringLiteral("bench.w1"), kW1Rows,
        QStringLiteral(
            "case when g % 20 <> 0 then g end::integer as n, "
            "case when g % 20 <> 3 then (g::bigint * 2654435761) % 1000000000000 end "
            "as big, "
            "case when g % 20 <> 6 then ((g::bigint * 7919) % 10000000 / 100.0) end"
            "::decimal(15,2) as amount, "
            "case when g % 20 <> 9 then g::double precision / 7 end as ratio, "
            "case when g % 20 <> 12 then date '2000-01-01' + g % 9000 end as day, "
            "case when g % 20 <> 15 then timestamp '2000-01-01 00:00:00' + "
            "g * interval '37.001 seconds' end as stamp, "
            "case when g % 20 <> 17 then 'C' || lpad(to_hex(g::bigint * 16777619 % 268435456), "
            "7, '0') end::varchar(10) as code, "
            "case when g % 20 <> 19 then 'item ' || g || ' ' || "
            "left(md5(g::text), 13 + g % 12) end::varchar(40) as label"));
    // The 10,000,000 rows of W4 and W5 take a while to build the first time.
    if (!settings.w4 && !settings.w5)
        return;
    ensureTable(setup->handle(), QStringLiteral("bench.w4"), kW4Rows,
                QStringLiteral("g::integer as id, (g % 1000)::integer as v, "
                               "('r' || g)::varchar(12) as t"));
}

QString w1Select() {
    return QStringLiteral("select n, big, amount, ratio, day, stamp, code, label from bench.w1");
}

QString w4Select() {
    return QStringLiteral("select id, v, t from bench.w4");
}

} // namespace bench
