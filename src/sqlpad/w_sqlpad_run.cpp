// The SQL workspace runs statements that return no rows, and scripts of several statements.

#include "sqlpad/w_sqlpad.h"

#include "platform/clock.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/messagebox.h"
#include "platform/odbc/transaction.h"
#include "platform/pointer.h"
#include "platform/sql/script.h"
#include "sqlpad/sql_editor.h"

#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <algorithm>

namespace app {

using platform::sql::ScriptStatement;
using platform::sql::StatementKind;

namespace {

QString counted(long long number, const QString& one, const QString& many) {
    return QLocale(QLocale::English).toString(number) + u' ' + (number == 1 ? one : many);
}

} // namespace

bool w_sqlpad::changesPending() const {
    const platform::Transaction* slot = recordSlot(istr_sqlca);
    return changesPending_ && slot != nullptr && slot->hasPendingWrites();
}

void w_sqlpad::showPending() {
    st_pending->setVisible(changesPending());
}

std::size_t w_sqlpad::runChanges(const std::vector<ScriptStatement>& statements, std::size_t first,
                                 std::size_t end) {
    platform::Transaction* slot = recordSlot(istr_sqlca);
    if (slot == nullptr || !slot->isConnected()) {
        platform::MessageBox(QStringLiteral("Caution"),
                             QStringLiteral("The workspace is not connected: nothing ran."));
        return 0;
    }
    std::vector<QString> texts;
    const ScriptStatement* refused = nullptr;
    for (std::size_t i = first; i < end; ++i) {
        const QString table = platform::sql::tableChangedWhole(statements[i].text);
        if (!table.isEmpty()) {
            const QPointer<w_sqlpad> alive(this);
            const int answer = platform::MessageBox(
                QStringLiteral("Caution"),
                QStringLiteral("This statement changes every row of %1. Run it?").arg(table),
                platform::Icon::Question, platform::Buttons::YesNo, 2);
            if (alive == nullptr)
                return 0;
            if (answer != 1 || closing()) {
                refused = &statements[i];
                break;
            }
        }
        texts.push_back(slot->statementFor(statements[i].text));
    }
    if (texts.empty()) {
        platform::SetMicroHelp(QStringLiteral("Nothing ran."));
        return 0;
    }
    const std::size_t total = statements.size();
    const std::size_t last = first + texts.size();
    auto tell = [first, last, total](std::size_t done) {
        const std::size_t running = std::min(first + done + 1, last);
        platform::SetMicroHelp(
            total == 1 ? QStringLiteral("Running the statement, please wait...")
                       : QStringLiteral("Running statement %1 of %2...").arg(running).arg(total));
    };
    tell(0);
    st_time->setText(QString());
    platform::SetPointer(platform::Pointer::HourGlass);
    const platform::Instant begin = platform::Now();
    const QPointer<w_sqlpad> alive(this);
    const auto outcome = dw_1->Execute(*slot, std::move(texts), tell);
    if (alive == nullptr)
        return 0;
    platform::SetPointer(platform::Pointer::Arrow);
    if (!outcome)
        return 0;
    if (outcome->executed > 0)
        changesPending_ = true;
    const long long seconds = platform::SecondsAfter(begin, dw_1->lastRetrieveEnd());
    st_time->setText(QString::number(seconds) + QStringLiteral(" seconds elapsed"));
    st_retrieved->setText(outcome->rowsKnown ? QString::number(outcome->rowsAffected) : QString());
    st_1->setText(QStringLiteral("rows affected"));
    st_1->setVisible(true);
    showPending();
    const std::size_t ran = outcome->executed;
    if (outcome->error) {
        const ScriptStatement& failed = statements[first + ran];
        if (outcome->stopped || outcome->error.cancelled())
            platform::SetMicroHelp(QStringLiteral("Stopped: the statement on line %1 was "
                                                  "cancelled.")
                                       .arg(failed.line));
        else
            showFailedStatement(failed, outcome->error.text());
        return ran;
    }
    QString told = outcome->rowsKnown
                       ? counted(outcome->rowsAffected, QStringLiteral("row affected"),
                                 QStringLiteral("rows affected"))
                       : QStringLiteral("Done");
    if (changesPending())
        told += QStringLiteral("; not committed yet: Save commits the changes.");
    else
        told += u'.';
    platform::SetMicroHelp(told);
    if (refused != nullptr)
        platform::SetMicroHelp(
            QStringLiteral("Stopped before the statement on line %1: it did not run.")
                .arg(refused->line));
    return ran;
}

void w_sqlpad::runScript(const std::vector<ScriptStatement>& statements) {
    const QPointer<w_sqlpad> alive(this);
    const std::size_t total = statements.size();
    std::size_t at = 0;
    while (at < total) {
        if (alive == nullptr || closing())
            return;
        if (ib_stop) {
            platform::SetMicroHelp(
                QStringLiteral("Stopped after statement %1 of %2.").arg(at).arg(total));
            return;
        }
        const ScriptStatement& statement = statements[at];
        const StatementKind kind = platform::sql::statementKind(statement.text);
        if (kind == StatementKind::Change) {
            // Statements that return no rows run together on the worker, up to the next query.
            std::size_t end = at + 1;
            while (end < total &&
                   platform::sql::statementKind(statements[end].text) == StatementKind::Change)
                ++end;
            const std::size_t ran = runChanges(statements, at, end);
            if (alive == nullptr || ran < end - at)
                return;
            at = end;
            continue;
        }
        platform::SetMicroHelp(
            QStringLiteral("Running statement %1 of %2...").arg(at + 1).arg(total));
        if (!runScriptQuery(statements, at) || alive == nullptr)
            return;
        ++at;
    }
    QString told = counted(static_cast<long long>(total), QStringLiteral("statement ran"),
                           QStringLiteral("statements ran"));
    if (changesPending())
        told += QStringLiteral("; not committed yet: Save commits the changes.");
    else
        told += u'.';
    platform::SetMicroHelp(told);
}

bool w_sqlpad::runScriptQuery(const std::vector<ScriptStatement>& statements, std::size_t at) {
    const QPointer<w_sqlpad> alive(this);
    const ScriptStatement& statement = statements[at];
    const QString text = platform::sql::statementKind(statement.text) == StatementKind::Query
                             ? workspaceStatement(statement.text)
                             : statement.text;
    scriptLine_ = statement.line;
    const GridBuild built = buildGridOrStatement(text);
    scriptLine_ = 0;
    if (alive == nullptr)
        return false;
    if (built == GridBuild::Failed) {
        showFailedStatement(statement, QString());
        return false;
    }
    // The server says it returns no rows after all (a procedure call, say): it runs so.
    if (built == GridBuild::NoColumns)
        return runChanges(statements, at, at + 1) == 1;
    const platform::Instant begin = platform::Now();
    const long rows = dw_1->Retrieve();
    if (alive == nullptr)
        return false;
    st_time->setText(QString::number(platform::SecondsAfter(begin, dw_1->lastRetrieveEnd())) +
                     QStringLiteral(" seconds elapsed"));
    st_retrieved->setText(QString::number(rows));
    st_1->setText(QStringLiteral("rows retrieved"));
    st_1->setVisible(true);
    if (rows < 0) {
        showFailedStatement(statement, QString());
        return false;
    }
    return true;
}

void w_sqlpad::showFailedStatement(const ScriptStatement& statement, const QString& error) {
    // Scintilla counts in bytes of the UTF-8 text.
    const QString text = mle_1->text();
    const long from = static_cast<long>(text.left(statement.start).toUtf8().size());
    const long to = from + static_cast<long>(statement.text.toUtf8().size());
    mle_1->SendScintilla(QsciScintillaBase::SCI_SETSEL, from, to);
    mle_1->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
    platform::SetMicroHelp(
        QStringLiteral("The statement on line %1 failed; it is selected.").arg(statement.line));
    // A refused description or a failed retrieval has told its error already.
    if (!error.isEmpty())
        platform::MessageBox(
            QStringLiteral("Caution"),
            QStringLiteral("The statement on line %1 failed:\r\n%2").arg(statement.line).arg(error),
            platform::Icon::Exclamation);
}

void w_sqlpad::statementRefused(const QString& statement, const QString& error) {
    QueryGridSheet::statementRefused(
        statement, scriptLine_ > 0 ? QStringLiteral("line %1: ").arg(scriptLine_) + error : error);
}

bool w_sqlpad::confirmSheetWork(const platform::Transaction* slot) {
    const QPointer<w_sqlpad> alive(this);
    if (slot == nullptr && !confirmDropText())
        return false;
    if (alive == nullptr)
        return false;
    if (slot != nullptr && slot != recordSlot(istr_sqlca))
        return true;
    return confirmCommit();
}

bool w_sqlpad::confirmCommit() {
    platform::Transaction* own = recordSlot(istr_sqlca);
    if (!changesPending())
        return true;
    const QString source = istr_sqlca.s_dsn.isEmpty() ? istr_sqlca.s_sqlca : istr_sqlca.s_dsn;
    constexpr int commit = 1;
    constexpr int rollBack = 2;
    const QPointer<w_sqlpad> alive(this);
    const int answer = platform::MessageBox(
        windowTitle(), QStringLiteral("Commit changes made on %1?").arg(source),
        platform::Icon::Question, platform::Buttons::CommitRollBackCancel, commit);
    if (alive == nullptr)
        return false;
    if (answer != commit && answer != rollBack)
        return false;
    // Another sheet may still read on the connection: the COMMIT or ROLLBACK then runs as soon
    // as it has stopped (a close stops it), and the sheet goes on closing meanwhile.
    if (own->endWorkWhenIdle(answer == commit) && own->SQLCode != 0) {
        // A COMMIT the server refused leaves the changes pending, and the sheet open.
        platform::MessageBox(QStringLiteral("Caution"), own->SQLErrText,
                             platform::Icon::Exclamation);
        showPending();
        return false;
    }
    changesPending_ = false;
    showPending();
    return true;
}

} // namespace app
