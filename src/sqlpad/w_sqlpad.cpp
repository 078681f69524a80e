#include "sqlpad/w_sqlpad.h"

#include "app/look.h"
#include "platform/clock.h"
#include "platform/events.h"
#include "platform/grid/datawindow.h"
#include "platform/message.h"
#include "platform/odbc/catalog.h"
#include "platform/odbc/transaction.h"
#include "platform/pointer.h"
#include "platform/printjob.h"
#include "platform/sql/script.h"
#include "platform/sql/sql_text.h"
#include "platform/units.h"
#include "sqlpad/completion.h"
#include "sqlpad/sql_editor.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>

namespace app {
namespace {

const QString isolationSuffix = QStringLiteral("  WITH UR ");

} // namespace

QString workspaceStatement(const QString& text) {
    return platform::sql::appendToStatement(text, isolationSuffix);
}

QString withoutIsolationSuffix(const QString& sql) {
    return sql.endsWith(isolationSuffix) ? sql.chopped(isolationSuffix.size()) : sql;
}

w_sqlpad::w_sqlpad() {
    setWindowTitle(QStringLiteral("SQL Workspace"));
    setWindowBackground(this);
    platform::placeControl(this, 220, 237, 3329, 1693);
    normalSize_ = size();

    const QFont bold = windowFont(QStringLiteral("MS Sans Serif"), 8, true);

    st_3 = sheetLabel(this, QStringLiteral("Syntax"), bold);
    platform::placeControl(st_3, 78, 97, 215, 65);

    cb_1 = commandButton(this, QStringLiteral("Clear"), bold);
    platform::placeControl(cb_1, 531, 53, 494, 109);

    st_time = sheetLabel(this, QString(), bold);
    platform::placeControl(st_time, 1299, 61, 883, 77);

    mle_1 = new QsciScintilla(this);
    auto* lexer = new QsciLexerSQL(mle_1);
    lexer->setDefaultFont(bold);
    lexer->setFont(bold);
    lexer->setDefaultPaper(Qt::white);
    lexer->setPaper(Qt::white);
    mle_1->setLexer(lexer);
    mle_1->setFont(bold);
    mle_1->setPaper(Qt::white);
    mle_1->setFrameShape(QFrame::Box);
    mle_1->setMarginWidth(1, 0);
    mle_1->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    mle_1->setUtf8(true);
    mle_1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mle_1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    platform::placeControl(mle_1, 37, 173, 1075, 1373);

    dw_1 = new platform::grid::DataWindow(this);
    platform::placeControl(dw_1, 1153, 173, 2090, 1177);

    cb_retrieve = commandButton(this, QStringLiteral("&Retrieve"), bold);
    platform::placeControl(cb_retrieve, 1537, 1421, 330, 109);

    cb_stop = commandButton(this, QStringLiteral("&Stop"), bold);
    platform::placeControl(cb_stop, 2190, 1421, 247, 109);

    cb_close = commandButton(this, QStringLiteral("&Close"), bold);
    platform::placeControl(cb_close, 2871, 1421, 247, 109);

    placeStatusLabels(bold);
    connectControls();
    // Made larger, the sheet gives the new space to its grid.
    growWithSheet(dw_1);
}

void w_sqlpad::placeStatusLabels(const QFont& font) {
    st_file = sheetLabel(this, QString(), font);
    st_file->setTextFormat(Qt::PlainText);
    st_file->setVisible(false); // until the text comes from a file
    platform::placeControl(st_file, 300, 97, 225, 65);

    st_pending = sheetLabel(this, QStringLiteral("Not committed"), font);
    setTextColour(st_pending, Qt::red);
    st_pending->setToolTip(QStringLiteral("Statements run here changed data that is not "
                                          "committed yet: Save commits it."));
    st_pending->setVisible(false);
    platform::placeControl(st_pending, 1153, 1437, 370, 77);
}

void w_sqlpad::connectControls() {
    // Tab order: cb_1, mle_1, dw_1, cb_stop, cb_retrieve, cb_close.
    setTabOrder(cb_1, mle_1);
    setTabOrder(mle_1, dw_1);
    setTabOrder(dw_1, cb_stop);
    setTabOrder(cb_stop, cb_retrieve);
    setTabOrder(cb_retrieve, cb_close);

    // Esc presses the cancel button, also from the query text (where it first closes an open
    // completion list).
    mle_1->installEventFilter(this);
    // Ctrl+Tab leaves the query text: seen before the MDI area, which would switch sheets.
    qApp->installEventFilter(this);

    // Completion of table and column names: a list of the names that fit, shown as one is typed.
    mle_1->SendScintilla(QsciScintillaBase::SCI_AUTOCSETSEPARATOR, static_cast<long>('\n'));
    mle_1->SendScintilla(QsciScintillaBase::SCI_AUTOCSETIGNORECASE, 1L);
    mle_1->SendScintilla(QsciScintillaBase::SCI_AUTOCSETORDER, 1L); // SC_ORDER_PERFORMSORT
    // The catalog is read from the first key typed on: a workspace that only retrieves what it
    // was handed never shares its connection with the reading.
    connect(mle_1, &QsciScintillaBase::SCN_CHARADDED, this, [this](int) {
        if (!catalog_)
            readCatalog();
        offerCompletion();
    });

    // Open and Save SQL from anywhere in the sheet (the query text handles them itself).
    auto* open = new QAction(this);
    open->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    auto* saveSql = new QAction(this);
    saveSql->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    for (QAction* action : {open, saveSql}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    connect(open, &QAction::triggered, this, &w_sqlpad::openSqlFileDialog);
    connect(saveSql, &QAction::triggered, this, &w_sqlpad::saveSqlFileDialog);
    mle_1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mle_1, &QWidget::customContextMenuRequested, this, &w_sqlpad::showEditorMenu);

    connect(cb_1, &QPushButton::clicked, this, &w_sqlpad::cb_1_clicked);
    connect(cb_close, &QPushButton::clicked, this, &w_sqlpad::cb_close_clicked);
    connectQueryGrid();
}

w_sqlpad::~w_sqlpad() = default;

bool w_sqlpad::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched != mle_1 && watched->isWidgetType() &&
        mle_1->isAncestorOf(static_cast<QWidget*>(watched))) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            (key->modifiers() & Qt::ControlModifier))
            return editorShortcut(*key);
    }
    if (watched == mle_1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !mle_1->isListActive()) {
            cb_close->click();
            return true;
        }
        if (editorShortcut(*key))
            return true;
    }
    return QueryGridSheet::eventFilter(watched, event);
}

bool w_sqlpad::editorShortcut(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    // Tab indents in the query text; Ctrl+Tab and Ctrl+Shift+Tab leave it.
    if (key.key() == Qt::Key_Tab && modifiers == Qt::ControlModifier)
        return focusNextPrevChild(true);
    if (key.key() == Qt::Key_Backtab && modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return focusNextPrevChild(false);
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (key.key() == Qt::Key_S) {
            saveSqlFileDialog();
            return true;
        }
        if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter)
            return false;
        // The script: Retrieve runs every statement of the text.
        mle_1->cancelList();
        cb_retrieve->click();
        return true;
    }
    if (modifiers != Qt::ControlModifier)
        return false;
    QString recalled;
    switch (key.key()) {
    case Qt::Key_O:
        openSqlFileDialog();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        mle_1->cancelList();  // a name still offered is not what runs
        cb_retrieve->click(); // as Alt+R: the button's own rules apply
        return true;
    case Qt::Key_Up:
        if (history_.older(mle_1->text(), recalled))
            showRecalled(recalled);
        return true;
    case Qt::Key_Down:
        if (history_.newer(recalled))
            showRecalled(recalled);
        return true;
    default:
        return false;
    }
}

void w_sqlpad::showRecalled(const QString& statement) {
    mle_1->setText(statement);
    mle_1->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
}

void w_sqlpad::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cb_close->click();
        return;
    }
    QueryGridSheet::keyPressEvent(event);
}

void w_sqlpad::open() {
    // The sheet opens in its normal size; where is the frame's business.
    if (QMdiSubWindow* sub = subWindow())
        sub->resize(sub->sizeHint());
    const auto* record = platform::Message().parm<str_sqlca>();
    istr_sqlca = record != nullptr ? *record : str_sqlca{};
    platform::TriggerEvent(this, "ue_initialize");
}

void w_sqlpad::ue_initialize() {
    ib_stop = false;
    if (!istr_sqlca.s_sql.isEmpty())
        mle_1->setText(withoutIsolationSuffix(istr_sqlca.s_sql));
}

void w_sqlpad::readCatalog() {
    str_sqlca record = istr_sqlca;
    if (record.s_sqlca.isEmpty())
        record.s_sqlca = QStringLiteral("SQLCA"); // as ue_retrieve names it
    platform::Transaction* slot = recordSlot(record);
    if (slot == nullptr || !slot->isConnected())
        return;
    catalog_ = slot->connection()->catalog();
    // Reading the catalog leaves no lock behind either.
    connect(catalog_.get(), &platform::odbc::CatalogLoader::ready, this, [record] {
        if (platform::Transaction* read = recordSlot(record))
            read->endReadWork();
    });
}

bool w_sqlpad::catalogReady() const {
    return catalog_ && catalog_->isReady();
}

void w_sqlpad::offerCompletion() {
    // Long texts are not scanned at every key.
    constexpr int longestScanned = 100000;
    if (!catalogReady() || mle_1->length() > longestScanned)
        return;
    int line = 0;
    int index = 0;
    mle_1->getCursorPosition(&line, &index);
    QString before;
    for (int l = 0; l < line; ++l)
        before += mle_1->text(l);
    before += mle_1->text(line).left(index);
    const CompletionRequest request = completionRequest(before);
    const QStringList names =
        completions(*catalog_->catalog(), request, referencedTables(mle_1->text()));
    if (names.isEmpty())
        return;
    // The editor places its list on the screen where the word being completed begins, and fails
    // when no screen is there (the sheet moved past the edge of the desktop, the word's start
    // scrolled out of sight): nothing is offered then.
    const QByteArray prefix = request.prefix.toUtf8();
    const long caret = mle_1->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
    const int lineHeight =
        static_cast<int>(mle_1->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, line));
    for (const long position : {caret - static_cast<long>(prefix.size()), caret}) {
        const QPoint at(static_cast<int>(mle_1->SendScintilla(
                            QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, position)),
                        static_cast<int>(mle_1->SendScintilla(
                            QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, position)));
        for (const QPoint corner : {at, at + QPoint(0, lineHeight)}) {
            if (QGuiApplication::screenAt(mle_1->viewport()->mapToGlobal(corner)) == nullptr)
                return;
        }
    }
    const QByteArray list = names.join(u'\n').toUtf8();
    mle_1->SendScintilla(QsciScintillaBase::SCI_AUTOCSHOW,
                         static_cast<unsigned long>(prefix.size()), list.constData());
}

void w_sqlpad::ue_retrieve() {
    const QString text = mle_1->text();
    history_.add(text);
    // A catalog read still running gives way: the statement is described and retrieved on the
    // connection alone (the next key typed reads the catalog again).
    if (catalog_ && !catalog_->isReady()) {
        catalog_->connection().stopCatalogReads();
        catalog_.reset();
    }
    if (istr_sqlca.s_sqlca.isEmpty())
        istr_sqlca.s_sqlca = QStringLiteral("SQLCA");
    const std::vector<platform::sql::ScriptStatement> statements =
        platform::sql::splitStatements(text);
    if (statements.size() > 1) {
        runScript(statements);
        return;
    }
    if (statements.size() == 1 && platform::sql::statementKind(statements.front().text) ==
                                      platform::sql::StatementKind::Change) {
        runChanges(statements, 0, 1);
        return;
    }
    retrieveQuery(text);
}

void w_sqlpad::retrieveQuery(const QString& text) {
    // 1.
    platform::SetMicroHelp(QStringLiteral("Retrieving data, please wait..."));
    // 2.
    st_preview->setVisible(false);
    // 3.
    st_time->setText(QString());
    // 4.
    const QString ls_sql = workspaceStatement(text);
    // 5.
    if (istr_sqlca.s_sqlca.isEmpty())
        istr_sqlca.s_sqlca = QStringLiteral("SQLCA");
    // 6. A statement that returns no rows runs instead.
    switch (buildGridOrStatement(ls_sql)) {
    case GridBuild::Failed:
        return;
    case GridBuild::NoColumns: {
        const std::vector<platform::sql::ScriptStatement> statement =
            platform::sql::splitStatements(text);
        if (!statement.empty())
            runChanges(statement, 0, statement.size());
        return;
    }
    case GridBuild::Built:
        break;
    }
    // 7.
    const platform::Instant ldt_begin = platform::Now();
    // 8.
    const long ll_rows = dw_1->Retrieve();
    // 9. The end of the reading, not of a message about it that the user may leave open.
    const platform::Instant ldt_end = dw_1->lastRetrieveEnd();
    // 10.
    const long ll_elapsed = platform::SecondsAfter(ldt_begin, ldt_end);
    st_time->setText(QString::number(ll_elapsed) + QStringLiteral(" seconds elapsed"));
    // 11.
    st_1->setText(QStringLiteral("rows retrieved"));
    st_1->setVisible(true);
    // 12.
    if (ll_rows == 0)
        st_preview->setVisible(false);
    // 13.
    st_retrieved->setText(QString::number(ll_rows));
    // 14.
    platform::SetMicroHelp(QStringLiteral("Ready."));
    platform::SetPointer(platform::Pointer::Arrow);
}

void w_sqlpad::ue_save() {
    // Save writes the grid's changes and commits; with nothing in the grid to write, it commits
    // what the statements run here changed.
    platform::Transaction* slot = recordSlot(istr_sqlca);
    if (!dw_1->hasPendingChanges() && slot != nullptr && slot->hasPendingWrites())
        slot->Commit();
    else
        saveGrid();
    showPending();
}

void w_sqlpad::ue_saveas() {
    dw_1->SaveAs();
}

void w_sqlpad::ue_print() {
    // 1.
    const std::unique_ptr<platform::PrintJob> job = platform::PrintJob::PrintOpen();
    // 2.
    dw_1->setPrintMarginTop(250);
    // 3.
    job->Print(mle_1->text());
    // 4.
    platform::grid::PrintDataWindow(*job, *dw_1);
    // 5.
    job->PrintClose();
}

void w_sqlpad::ue_get_columns() {
    QStringList ls_columns{QString()};
    ls_columns << columnsOfSyntax(dw_1->Syntax());
    columnList = ls_columns;
}

void w_sqlpad::cb_1_clicked() {
    mle_1->setText(QString());
}

void w_sqlpad::cb_close_clicked() {
    Close();
}

} // namespace app
