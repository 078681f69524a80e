#pragma once

#include "browse/query_grid.h"
#include "sqlpad/statement_history.h"

#include <QSize>
#include <QStringList>
#include <memory>
#include <vector>

class QKeyEvent;
class QLabel;
class QPushButton;
class QsciScintilla;

namespace platform::odbc {
class CatalogLoader;
}
namespace platform::sql {
struct ScriptStatement;
}

namespace app {

// The SQL workspace: the user types a query, runs it on the sheet's connection slot and sees the
// result in a grid built from it, with the number of rows retrieved and the seconds it took.
class w_sqlpad : public QueryGridSheet {
    Q_OBJECT
public:
    w_sqlpad();
    ~w_sqlpad() override;

    void open() override;
    QSize sizeHint() const override { return normalSize_; }

    // Controls, in creation order (dw_1, st_preview, st_retrieved, st_1, cb_retrieve and cb_stop
    // are the query grid's).
    QLabel* st_3;
    QPushButton* cb_1;
    QLabel* st_time;
    QsciScintilla* mle_1;
    QPushButton* cb_close;
    // The .sql file the text was opened from or saved to, beside the heading.
    QLabel* st_file;
    // Shown while statements this sheet ran are not committed.
    QLabel* st_pending;

    // The column list of the last ue_get_columns: an empty entry, then every column of dw_1.
    QStringList columnList;

    Q_INVOKABLE void ue_initialize();
    Q_INVOKABLE void ue_retrieve() override;
    Q_INVOKABLE void ue_save() override;
    Q_INVOKABLE void ue_saveas() override;
    Q_INVOKABLE void ue_print() override;
    Q_INVOKABLE void ue_get_columns() override;

    void cb_1_clicked();
    void cb_close_clicked();

    // SQL files: Open reads a UTF-8 .sql file into the query text, Save SQL writes the text to
    // one (asking for a name the first time). Both return whether they did.
    bool openSqlFile(const QString& path);
    bool saveSqlFile(const QString& path);
    void openSqlFileDialog();
    void saveSqlFileDialog();
    // The file the text belongs to ("" when none), and whether the text changed since it was
    // opened or saved.
    const QString& sqlFile() const { return sqlFile_; }
    bool sqlTextChanged() const;

    // Statements this sheet ran that wait for a COMMIT or ROLLBACK on its connection.
    bool changesPending() const;
    // Closing asks about a text changed since its file was opened or saved, then whether to
    // commit what the statements changed: "Commit changes made on <data source>?".
    bool confirmSheetWork(const platform::Transaction* slot) override;

    // True once the tables and columns of the sheet's connection, which the query text offers
    // to complete names, have been read.
    bool catalogReady() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void statementRefused(const QString& statement, const QString& error) override;

private:
    // The tab order, and what the controls' events run.
    void connectControls();
    // The file's name beside the heading, and the mark of changes not committed.
    void placeStatusLabels(const QFont& font);
    // Ctrl+Up, Ctrl+Down and Ctrl+Enter in the query text; true when the key was one of them.
    bool editorShortcut(const QKeyEvent& key);
    // Puts a recalled statement into the query text, the cursor at its end.
    void showRecalled(const QString& statement);
    // Starts (or shares) the reading of the connection's catalog for completion.
    void readCatalog();
    // Shows the names that complete the one being typed, if any.
    void offerCompletion();
    // The editor's context menu: its own entries, then Open, Save SQL and the recent files.
    void showEditorMenu(const QPoint& at);

    // Running what the query text holds: one query as ue_retrieve always did; a statement that
    // returns no rows on the worker; several statements one after another.
    void retrieveQuery(const QString& text);
    void runScript(const std::vector<platform::sql::ScriptStatement>& statements);
    // Runs statements [first, end) of `statements`, which return no rows, on the worker, after
    // asking about an UPDATE or DELETE without WHERE among them; returns how many ran to their
    // end (end - first when all did).
    std::size_t runChanges(const std::vector<platform::sql::ScriptStatement>& statements,
                           std::size_t first, std::size_t end);
    // Statement `at` of a script, one that may return rows: described, then retrieved into the
    // grid. False when the script ends there.
    bool runScriptQuery(const std::vector<platform::sql::ScriptStatement>& statements,
                        std::size_t at);
    // Selects the statement in the query text and tells the error with its line.
    void showFailedStatement(const platform::sql::ScriptStatement& statement, const QString& error);
    void showPending();
    // Asks before a text that changed since its file was opened or saved is dropped.
    bool confirmDropText();
    bool confirmCommit();
    void showSqlFile();

    QSize normalSize_;
    StatementHistory history_;
    QString sqlFile_;
    QString savedText_;
    bool changesPending_ = false;
    // The line of the script statement being described, for the message when it is refused.
    int scriptLine_ = 0;
    std::shared_ptr<platform::odbc::CatalogLoader> catalog_;
};

// The statement that ue_retrieve runs for the typed text: the text as typed, then "  WITH UR ".
QString workspaceStatement(const QString& text);

// The starting text for a query handed over with its "  WITH UR " already on: without it, so that
// retrieving it unchanged does not carry the clause twice.
QString withoutIsolationSuffix(const QString& sql);

} // namespace app
