#include "faults/own_server.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

namespace testsupport {

OwnServer::OwnServer() : script_(qEnvironmentVariable("DORVANE_DB_SCRIPT")) {
    if (script_.isEmpty()) {
        failure_ = QStringLiteral("DORVANE_DB_SCRIPT does not name scripts/db: run these tests "
                                  "through ctest");
        return;
    }
    if (!state_.isValid()) {
        failure_ = QStringLiteral("cannot create a state folder: ") + state_.errorString();
        return;
    }
    QString output;
    started_ = db({QStringLiteral("start"), QStringLiteral("--quiet")}, &output);
    if (!started_) {
        failure_ = QStringLiteral("scripts/db start failed: ") + output;
        return;
    }
    // The cluster commits without waiting for the disk, which a server that crashes may not:
    // work it committed before the crash would come back lost. So a commit waits here, and what
    // start loaded is on disk before the test begins.
    for (const QString& sql :
         {QStringLiteral("alter system set synchronous_commit = on"),
          QStringLiteral("select pg_reload_conf()"), QStringLiteral("checkpoint")}) {
        if (psql(sql).isNull()) {
            failure_ = QStringLiteral("the server refused: ") + sql;
            return;
        }
    }
    const QDir odbc(state_.filePath(QStringLiteral("odbc")));
    odbcSysIni_.emplace("ODBCSYSINI", odbc.path());
    odbcIni_.emplace("ODBCINI", odbc.filePath(QStringLiteral("odbc.ini")));
}

OwnServer::~OwnServer() {
    odbcIni_.reset();
    odbcSysIni_.reset();
    // Also after a start that failed half way: stop removes whatever the state records.
    if (!script_.isEmpty() && state_.isValid())
        db({QStringLiteral("stop")});
}

bool OwnServer::db(const QStringList& arguments, QString* output, int timeoutMs) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(script_,
                  QStringList{arguments.front(), QStringLiteral("--state"), state_.path()} +
                      arguments.mid(1));
    const bool finished = process.waitForStarted(timeoutMs) && process.waitForFinished(timeoutMs);
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (output != nullptr)
        *output = QString::fromUtf8(process.readAll()).trimmed();
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool OwnServer::kill() const {
    return db({QStringLiteral("kill")}, nullptr, 30000);
}

bool OwnServer::restart() const {
    return db({QStringLiteral("restart")});
}

QString OwnServer::psql(const QString& sql) const {
    QString output;
    if (!db({QStringLiteral("psql"), QStringLiteral("-q"), QStringLiteral("-A"),
             QStringLiteral("-t"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
             QStringLiteral("-c"), sql},
            &output, 30000))
        return {};
    return output.isNull() ? QStringLiteral("") : output;
}

bool OwnServer::waitFor(const QString& condition, int timeoutMs) const {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (psql(QStringLiteral("select ") + condition) == QLatin1String("t"))
            return true;
        QThread::msleep(20);
    }
    return false;
}

} // namespace testsupport
