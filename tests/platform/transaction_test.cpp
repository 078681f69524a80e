#include "platform/odbc/transaction.h"
#include "platform/odbc/wide.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using platform::Transaction;
using namespace testsupport;

namespace {

std::unique_ptr<Transaction> slotFor(const QString& dsn, const QString& uid, const QString& pwd) {
    auto slot = std::make_unique<Transaction>(QStringLiteral("SQLCA"));
    slot->DBMS = QStringLiteral("ODBC");
    slot->DBParm = connectText(dsn, uid, pwd);
    slot->Connect();
    return slot;
}

ScratchTable scratch(Transaction& slot) {
    return {slot, QStringLiteral("scratch"),
            QStringLiteral("id integer primary key, note varchar(40)")};
}

QString countOf(const ScratchTable& table, Transaction& observer) {
    const QString n =
        queryValue(observer, QStringLiteral("select count(*) from %1").arg(table.name()));
    observer.Commit();
    return n;
}

} // namespace

TEST(ConnectionSlot, ConnectsToSampleInManualCommitModeAndReadsDbmsName) {
    auto slot = slotFor(sampleDsn(), sampleUser(), samplePassword());
    ASSERT_EQ(slot->SQLCode, 0) << slot->SQLErrText.toStdString();
    EXPECT_TRUE(slot->isConnected());
    EXPECT_EQ(slot->dbmsName(), QStringLiteral("PostgreSQL"));
    EXPECT_FALSE(slot->isDb2());
    EXPECT_TRUE(slot->SQLErrText.isEmpty());
    EXPECT_EQ(queryValue(*slot, QStringLiteral("show transaction_isolation")),
              QStringLiteral("read uncommitted"));
}

TEST(ConnectionSlot, FailedConnectsCarryTheDriversDiagnostics) {
    auto wrong = slotFor(sampleDsn(), sampleUser(), QStringLiteral("not-the-password"));
    EXPECT_LT(wrong->SQLCode, 0);
    EXPECT_FALSE(wrong->isConnected());
    EXPECT_TRUE(wrong->SQLErrText.contains(QStringLiteral("SQLSTATE = ")));
    EXPECT_TRUE(wrong->SQLErrText.contains(QStringLiteral("password authentication failed")))
        << wrong->SQLErrText.toStdString();

    auto unknown = slotFor(QStringLiteral("NO_SUCH_DSN"), sampleUser(), samplePassword());
    EXPECT_LT(unknown->SQLCode, 0);
    EXPECT_TRUE(unknown->SQLErrText.contains(QStringLiteral("SQLSTATE = IM002")))
        << unknown->SQLErrText.toStdString();

    Transaction noInterface(QStringLiteral("SQLCA1"));
    noInterface.DBParm = connectText(sampleDsn(), sampleUser(), samplePassword());
    noInterface.Connect();
    EXPECT_LT(noInterface.SQLCode, 0);
    EXPECT_FALSE(noInterface.isConnected());
}

TEST(ConnectionSlot, PasswordWithConnectTextMarkersConnects) {
    auto slot = slotFor(sampleDsn(), oddUser(), oddPassword());
    ASSERT_EQ(slot->SQLCode, 0) << slot->SQLErrText.toStdString();
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select current_user")), oddUser());
}

TEST(ConnectionSlot, SecondDriverConnectsThroughTheSameSlot) {
    auto slot = slotFor(sqliteDsn(), QString(), QString());
    ASSERT_EQ(slot->SQLCode, 0) << slot->SQLErrText.toStdString();
    EXPECT_FALSE(slot->isDb2());
    EXPECT_NE(queryValue(*slot, QStringLiteral("select count(*) from EMPLOYEE  WITH UR ")),
              QString());
}

TEST(ConnectionSlot, CommitAndRollbackAreSeenFromAnotherConnection) {
    auto slot = connectedSlot();
    auto observer = connectedSlot(QStringLiteral("SQLCA1"));
    ScratchTable table = scratch(*slot);

    ASSERT_TRUE(
        execute(*slot, QStringLiteral("insert into %1 values (1, 'kept')").arg(table.name())));
    EXPECT_EQ(countOf(table, *observer), QStringLiteral("0"));
    slot->Commit();
    EXPECT_EQ(slot->SQLCode, 0);
    EXPECT_EQ(countOf(table, *observer), QStringLiteral("1"));

    ASSERT_TRUE(
        execute(*slot, QStringLiteral("insert into %1 values (2, 'dropped')").arg(table.name())));
    slot->Rollback();
    EXPECT_EQ(slot->SQLCode, 0);
    EXPECT_EQ(countOf(table, *observer), QStringLiteral("1"));
}

TEST(ConnectionSlot, DisconnectCommitsAndTheSlotConnectsAgain) {
    auto slot = connectedSlot();
    auto observer = connectedSlot(QStringLiteral("SQLCA1"));
    ScratchTable table = scratch(*observer);

    ASSERT_TRUE(execute(*slot, QStringLiteral("insert into %1 values (7, 'x')").arg(table.name())));
    slot->Disconnect();
    EXPECT_EQ(slot->SQLCode, 0) << slot->SQLErrText.toStdString();
    EXPECT_FALSE(slot->isConnected());
    EXPECT_EQ(countOf(table, *observer), QStringLiteral("1"));

    slot->Commit();
    EXPECT_LT(slot->SQLCode, 0);

    slot->Connect();
    ASSERT_EQ(slot->SQLCode, 0) << slot->SQLErrText.toStdString();
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select 40 + 2")), QStringLiteral("42"));

    slot->Connect();
    EXPECT_LT(slot->SQLCode, 0) << "a connected slot does not connect twice";
    EXPECT_TRUE(slot->isConnected());
}

TEST(ConnectionSlot, StatementsLoseTheirDb2IsolationClauseOnlyOffDb2) {
    auto slot = connectedSlot();
    EXPECT_EQ(queryValue(*slot, QStringLiteral("select 'a WITH UR' as x  WITH UR ")),
              QStringLiteral("a WITH UR"));
    EXPECT_EQ(slot->statementFor(QStringLiteral("select * from t WITH UR where 1 = 1")),
              QStringLiteral("select * from t WITH UR where 1 = 1"));
}

TEST(ConnectionSlot, ErrorsKeepTheirRecordsAndTellAFailureACancelAndALostConnectionApart) {
    using platform::odbc::Error;
    using platform::odbc::Statement;
    auto slot = slotFor(sampleDsn(), sampleUser(), samplePassword());
    auto observer = slotFor(sampleDsn(), sampleUser(), samplePassword());
    ASSERT_TRUE(slot->isConnected() && observer->isConnected());
    const auto run = [](const std::shared_ptr<platform::odbc::Connection>& connection,
                        const QString& sql) {
        Error error;
        const Statement stmt = Statement::allocate(connection, error);
        if (!stmt)
            return error;
        return stmt.error(
            SQLExecDirectW(stmt.get(), platform::odbc::wide(sql), platform::odbc::wideLength(sql)));
    };

    const Error missing = run(slot->connection(), QStringLiteral("select * from no_such_table"));
    EXPECT_TRUE(missing.failed());
    EXPECT_EQ(missing.sqlState(), QStringLiteral("42P01"));
    EXPECT_FALSE(missing.cancelled());
    EXPECT_FALSE(missing.connectionLost());
    EXPECT_TRUE(missing.text().contains(QStringLiteral("SQLSTATE = 42P01")));
    EXPECT_EQ(missing.explained(), missing.text());
    slot->Rollback();

    EXPECT_FALSE(run(slot->connection(), QStringLiteral("set statement_timeout = 100")));
    const Error cancelled = run(slot->connection(), QStringLiteral("select pg_sleep(5)"));
    EXPECT_TRUE(cancelled.cancelled()) << cancelled.text().toStdString();
    EXPECT_FALSE(cancelled.connectionLost());
    slot->Rollback();

    // Whoever holds the connection keeps it usable after the slot is gone; a session ended by
    // the server is told as such.
    const std::shared_ptr<platform::odbc::Connection> held = slot->connection();
    const QString pid = queryValue(*slot, QStringLiteral("select pg_backend_pid()"));
    slot.reset();
    queryValue(*observer, QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
    const Error lost = run(held, QStringLiteral("select 1"));
    EXPECT_TRUE(lost.failed());
    EXPECT_TRUE(lost.connectionLost()) << lost.text().toStdString();
    EXPECT_TRUE(lost.explained().startsWith(platform::odbc::lostConnectionText()));
}
