#pragma once

// A PostgreSQL server of the test's own, with the sample database (scripts/db start --state
// <temporary folder>): the test may stop it abruptly and start it again, which it may not do to
// the server that the other test programs share. While it lives, ODBC sees its data sources
// (DSN SAMPLE reaches it); it is stopped and removed with the object, whatever the test did.

#include "support/test_support.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>

namespace testsupport {

class OwnServer {
public:
    OwnServer();
    ~OwnServer();
    OwnServer(const OwnServer&) = delete;
    OwnServer& operator=(const OwnServer&) = delete;

    // Empty once the server runs; otherwise why it does not.
    const QString& failure() const { return failure_; }

    // Stops the server at once, as a crash or a pulled plug would: connections break and
    // uncommitted work is gone; the data stays (scripts/db kill).
    bool kill() const;
    // Starts the stopped server again on the same data (scripts/db restart).
    bool restart() const;
    // Runs `sql` with psql as the server's superuser on the sample database; the output,
    // unaligned and without headings, trimmed. A null string when psql failed.
    QString psql(const QString& sql) const;
    // Polls `condition` (a query giving t or f) until it gives t; false after `timeoutMs`.
    bool waitFor(const QString& condition, int timeoutMs = 20000) const;

private:
    bool db(const QStringList& arguments, QString* output = nullptr, int timeoutMs = 60000) const;

    QString script_;
    QTemporaryDir state_;
    QString failure_;
    bool started_ = false;
    std::optional<ScopedEnvironment> odbcSysIni_;
    std::optional<ScopedEnvironment> odbcIni_;
};

} // namespace testsupport
