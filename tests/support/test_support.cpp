#include "support/test_support.h"

#include "platform/odbc/handles.h"
#include "platform/odbc/wide.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <gtest/gtest.h>

namespace testsupport {

using platform::Transaction;

QString connectText(const QString& dsn, const QString& uid, const QString& pwd) {
    return QStringLiteral("DSN=") + dsn + QStringLiteral(";UID=") + uid + QStringLiteral(";PWD=") +
           pwd + QStringLiteral("'");
}

std::unique_ptr<Transaction> connectedSlot(const QString& name) {
    auto slot = std::make_unique<Transaction>(name);
    slot->DBMS = QStringLiteral("ODBC");
    slot->DBParm = connectText(sampleDsn(), sampleUser(), samplePassword());
    slot->Connect();
    EXPECT_EQ(slot->SQLCode, 0) << slot->SQLErrText.toStdString();
    return slot;
}

namespace {

platform::odbc::StatementHandle run(Transaction& slot, const QString& sql) {
    platform::odbc::StatementHandle stmt;
    if (!SQL_SUCCEEDED(platform::odbc::StatementHandle::allocate(slot.handle(), stmt))) {
        ADD_FAILURE() << "cannot allocate a statement on " << slot.name().toStdString();
        return stmt;
    }
    const QString text = slot.statementFor(sql);
    const SQLRETURN rc =
        SQLExecDirectW(stmt.get(), platform::odbc::wide(text), platform::odbc::wideLength(text));
    slot.setResult(rc, SQL_HANDLE_STMT, stmt.get());
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        ADD_FAILURE() << sql.toStdString() << ": " << slot.SQLErrText.toStdString();
        stmt.reset();
    }
    return stmt;
}

} // namespace

QString queryValue(Transaction& slot, const QString& sql) {
    auto stmt = run(slot, sql);
    if (!stmt || !SQL_SUCCEEDED(SQLFetch(stmt.get())))
        return {};
    SQLWCHAR buffer[4096] = {};
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(
            SQLGetData(stmt.get(), 1, SQL_C_WCHAR, buffer, sizeof(buffer), &indicator)) ||
        indicator == SQL_NULL_DATA)
        return {};
    return platform::odbc::fromWide(buffer, static_cast<qsizetype>(indicator / 2));
}

bool execute(Transaction& slot, const QString& sql) {
    // Work of the test's own on the slot, which the program's reads must not commit.
    slot.wrote();
    return static_cast<bool>(run(slot, sql));
}

QStringList withoutScratchTables(QStringList tables) {
    static const QRegularExpression scratch(QStringLiteral("_[0-9]+$"));
    tables.erase(
        std::remove_if(tables.begin(), tables.end(),
                       [](const QString& table) { return scratch.match(table).hasMatch(); }),
        tables.end());
    return tables;
}

QStringList repeated(int count, const QString& text) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << text;
    return list;
}

QPixmap shownPixmap(const QLabel& label) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return label.pixmap();
#else
    return label.pixmap(Qt::ReturnByValue);
#endif
}

namespace {

QString scratchName(const QString& stem) {
    const QString table = QStringLiteral("%1_%2").arg(stem).arg(QCoreApplication::applicationPid());
    static const QRegularExpression plain(QStringLiteral("^[a-z_][a-z0-9_]*$"));
    if (plain.match(table).hasMatch())
        return QStringLiteral("db2inst1.") + table;
    QString quoted = table;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return QStringLiteral("db2inst1.\"") + quoted + u'"';
}

QString testDatabaseState() {
    return qEnvironmentVariable("DORVANE_TEST_DB_STATE");
}

} // namespace

bool runAsSuperuser(const QString& sql) {
    // CTest names the checkout's scripts/db, which reaches the test database as its superuser.
    const QString script = qEnvironmentVariable("DORVANE_DB_SCRIPT");
    if (script.isEmpty()) {
        ADD_FAILURE() << "DORVANE_DB_SCRIPT does not name scripts/db: run the tests through ctest";
        return false;
    }
    QProcess psql;
    psql.setProcessChannelMode(QProcess::MergedChannels);
    psql.start(script, {QStringLiteral("psql"), QStringLiteral("--state"), testDatabaseState(),
                        QStringLiteral("-q"), QStringLiteral("-v"),
                        QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-c"), sql});
    const bool finished = psql.waitForFinished(60000);
    const QByteArray output = psql.readAll();
    if (!finished || psql.exitStatus() != QProcess::NormalExit || psql.exitCode() != 0) {
        ADD_FAILURE() << sql.toStdString() << ": " << output.toStdString();
        return false;
    }
    return true;
}

QByteArray serverLog() {
    QFile record(testDatabaseState() + QStringLiteral("/cluster"));
    if (!record.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no cluster recorded in " << testDatabaseState().toStdString();
        return {};
    }
    const QString cluster = QString::fromLocal8Bit(record.readLine()).trimmed();
    QFile log(cluster + QStringLiteral("/server.log"));
    if (!log.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << log.fileName().toStdString();
        return {};
    }
    return log.readAll();
}

ScratchTable::ScratchTable(Transaction& slot, const QString& stem, const QString& columns,
                           const QString& rows)
    : slot_(slot), name_(scratchName(stem)) {
    execute(slot_, QStringLiteral("drop table if exists %1").arg(name_));
    execute(slot_, QStringLiteral("create table %1 (%2)").arg(name_, columns));
    if (!rows.isEmpty())
        execute(slot_, QStringLiteral("insert into %1 values %2").arg(name_, rows));
    slot_.Commit();
}

ScratchTable::~ScratchTable() {
    slot_.Rollback();
    execute(slot_, QStringLiteral("drop table if exists %1").arg(name_));
    slot_.Commit();
}

ScopedEnvironment::ScopedEnvironment(const char* name, const QString& value)
    : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), previous_(qgetenv(name)) {
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value.toLocal8Bit());
}

ScopedEnvironment::~ScopedEnvironment() {
    if (wasSet_)
        qputenv(name_, previous_);
    else
        qunsetenv(name_);
}

ScriptedMessageBoxes::ScriptedMessageBoxes() : previous_(platform::setMessageBoxService(this)) {}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    platform::setMessageBoxService(previous_);
}

int ScriptedMessageBoxes::ask(const platform::MessageBoxRequest& request) {
    shown_.push_back(request);
    if (answers_.empty())
        return request.defaultButton;
    const int button = answers_.front();
    answers_.pop_front();
    return button;
}

} // namespace testsupport
