#pragma once

#include "platform/messagebox.h"
#include "platform/odbc/transaction.h"

#include <QByteArray>
#include <QLabel>
#include <QPixmap>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <vector>

// Skips a test whose command-line tool is not installed; under CI (CI=true), where
// scripts/setup installs every tool the suite uses, the test fails instead.
#define DORVANE_REQUIRE_TOOL(tool)                                                                 \
    if (QStandardPaths::findExecutable(QStringLiteral(tool)).isEmpty()) {                          \
        if (qEnvironmentVariable("CI") == QLatin1String("true"))                                   \
            FAIL() << tool " is not installed";                                                    \
        GTEST_SKIP() << tool " is not installed";                                                  \
    }

namespace testsupport {

// The private test database (scripts/db).
inline QString sampleDsn() {
    return QStringLiteral("SAMPLE");
}
inline QString sqliteDsn() {
    return QStringLiteral("SAMPLE_SQLITE");
}
inline QString sampleUser() {
    return QStringLiteral("dorvane");
}
inline QString samplePassword() {
    return QStringLiteral("dorvane");
}
// A second role whose password holds the connect text's own markers and a non-ASCII letter.
inline QString oddUser() {
    return QStringLiteral("dorvane_odd");
}
inline QString oddPassword() {
    return QStringLiteral("p;w=d'}{\u00fc");
}

// The connect text that the logon composes.
QString connectText(const QString& dsn, const QString& uid, const QString& pwd);

// A slot connected to SAMPLE as `dorvane`; the test fails when it cannot connect.
std::unique_ptr<platform::Transaction> connectedSlot(const QString& name = QStringLiteral("SQLCA"));

// Runs `sql` on `slot` and returns the first column of the first row as text ("" for none or
// NULL); failures are reported as test failures.
QString queryValue(platform::Transaction& slot, const QString& sql);
// Runs a statement that returns no rows; returns false and records a failure on error.
bool execute(platform::Transaction& slot, const QString& sql);

// Runs `sql` on the test database as its superuser (scripts/db psql); false, with a test
// failure, when psql fails.
bool runAsSuperuser(const QString& sql);
// What the test database's server has written to its log so far.
QByteArray serverLog();

// `tables` without the scratch tables and views of test processes (named "..._<pid>"), which
// the tests running beside this one make and drop at any time.
QStringList withoutScratchTables(QStringList tables);

// `count` copies of `text`.
QStringList repeated(int count, const QString& text);
// The picture that `label` shows (null when it shows none).
QPixmap shownPixmap(const QLabel& label);

// A table of the test process's own in schema db2inst1, created (and filled with `rows`, a
// VALUES list, when given) and committed; rolled back and dropped again at the end. A stem that
// is not a lower-case identifier ("it's here") makes a delimited name: db2inst1."it's here_<pid>".
class ScratchTable {
public:
    ScratchTable(platform::Transaction& slot, const QString& stem, const QString& columns,
                 const QString& rows = {});
    ~ScratchTable();
    ScratchTable(const ScratchTable&) = delete;
    ScratchTable& operator=(const ScratchTable&) = delete;
    const QString& name() const { return name_; }

private:
    platform::Transaction& slot_;
    QString name_;
};

// An environment variable set (or, with a null value, removed) while it lives, and then put back
// as it was.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QString& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    bool wasSet_;
    QByteArray previous_;
};

// Answers every message box while it lives, and keeps what each one said.
class ScriptedMessageBoxes final : public platform::MessageBoxService {
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes() override;
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    // Answers given in turn; once they run out, every box is answered with its default button.
    void answer(int button) { answers_.push_back(button); }
    int ask(const platform::MessageBoxRequest& request) override;

    const std::vector<platform::MessageBoxRequest>& shown() const { return shown_; }

private:
    platform::MessageBoxService* previous_;
    std::deque<int> answers_;
    std::vector<platform::MessageBoxRequest> shown_;
};

} // namespace testsupport
