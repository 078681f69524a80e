#pragma once

#include "browse/query_grid.h"
#include "sqlpad/statement_history.h"

#include <QSize>
#include <QStringList>
#include <memory>

class QKeyEvent;
class QLabel;
class QPushButton;
class QsciScintilla;

namespace platform::odbc {
class CatalogLoader;
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

    // True once the tables and columns of the sheet's connection, which the query text offers
    // to complete names, have been read.
    bool catalogReady() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The tab order, and what the controls' events run.
    void connectControls();
    // Ctrl+Up, Ctrl+Down and Ctrl+Enter in the query text; true when the key was one of them.
    bool editorShortcut(const QKeyEvent& key);
    // Puts a recalled statement into the query text, the cursor at its end.
    void showRecalled(const QString& statement);
    // Starts (or shares) the reading of the connection's catalog for completion.
    void readCatalog();
    // Shows the names that complete the one being typed, if any.
    void offerCompletion();

    QSize normalSize_;
    StatementHistory history_;
    std::shared_ptr<platform::odbc::CatalogLoader> catalog_;
};

// The statement that ue_retrieve runs for the typed text: the text as typed, then "  WITH UR ".
QString workspaceStatement(const QString& text);

// The starting text for a query handed over with its "  WITH UR " already on: without it, so that
// retrieving it unchanged does not carry the clause twice.
QString withoutIsolationSuffix(const QString& sql);

} // namespace app
