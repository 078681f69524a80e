// The SQL workspace's .sql files: Open, Save SQL, the recent files, and the question before a
// changed text goes.

#include "sqlpad/w_sqlpad.h"

#include "platform/events.h"
#include "platform/messagebox.h"
#include "platform/modal.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/sql_file.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <memory>

namespace app {
namespace {

const QString sqlFilters = QStringLiteral("SQL files (*.sql);;All files (*)");

// Asks for a file name in a dialog that hangs from a window outliving it; "" when cancelled.
QString askFileName(const QString& title, const QString& start, bool save) {
    const QPointer<QFileDialog> dialog(
        new QFileDialog(platform::dialogParent(), title, start, sqlFilters));
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog->setDefaultSuffix(QStringLiteral("sql"));
    bool chosen = false;
    {
        const platform::ModalScope modal;
        chosen = dialog->exec() == QDialog::Accepted;
    }
    QString path;
    if (dialog != nullptr) {
        if (chosen && !dialog->selectedFiles().isEmpty())
            path = dialog->selectedFiles().constFirst();
        dialog->deleteLater();
    }
    return path;
}

} // namespace

bool w_sqlpad::sqlTextChanged() const {
    return !sqlFile_.isEmpty() && mle_1->text() != savedText_;
}

void w_sqlpad::showSqlFile() {
    const QString name = QFileInfo(sqlFile_).fileName();
    const QFontMetrics metrics(st_file->font());
    st_file->setText(metrics.elidedText(name, Qt::ElideMiddle, st_file->width()));
    st_file->setToolTip(sqlFile_);
    st_file->setVisible(!sqlFile_.isEmpty());
}

bool w_sqlpad::openSqlFile(const QString& path) {
    QString error;
    const std::optional<QString> text = readSqlFile(path, error);
    if (!text) {
        platform::MessageBox(QStringLiteral("Open"), error, platform::Icon::Exclamation);
        return false;
    }
    mle_1->setText(*text);
    sqlFile_ = QFileInfo(path).absoluteFilePath();
    savedText_ = mle_1->text();
    showSqlFile();
    rememberSqlFile(sqlFile_);
    return true;
}

bool w_sqlpad::saveSqlFile(const QString& path) {
    QString error;
    const QString text = mle_1->text();
    if (!writeSqlFile(path, text, error)) {
        platform::MessageBox(QStringLiteral("Save SQL"), error, platform::Icon::StopSign);
        return false;
    }
    sqlFile_ = QFileInfo(path).absoluteFilePath();
    savedText_ = text;
    showSqlFile();
    rememberSqlFile(sqlFile_);
    platform::SetMicroHelp(QStringLiteral("Saved %1.").arg(sqlFile_));
    return true;
}

void w_sqlpad::openSqlFileDialog() {
    const QPointer<w_sqlpad> alive(this);
    if (!confirmDropText() || alive == nullptr)
        return;
    // From the folder of the text's file, or the user's home.
    const QString path =
        askFileName(QStringLiteral("Open SQL File"),
                    sqlFile_.isEmpty() ? QDir::homePath() : QFileInfo(sqlFile_).path(), false);
    if (alive != nullptr && !path.isEmpty() && !closing())
        openSqlFile(path);
}

void w_sqlpad::saveSqlFileDialog() {
    const QPointer<w_sqlpad> alive(this);
    QString path = sqlFile_;
    if (path.isEmpty())
        path = askFileName(QStringLiteral("Save SQL"), QDir::homePath(), true);
    if (alive != nullptr && !path.isEmpty())
        saveSqlFile(path);
}

bool w_sqlpad::confirmDropText() {
    if (!sqlTextChanged())
        return true;
    constexpr int save = 1;
    constexpr int discard = 2;
    const QPointer<w_sqlpad> alive(this);
    const QString name = QFileInfo(sqlFile_).fileName();
    const int answer =
        platform::MessageBox(windowTitle(), QStringLiteral("Save changes to %1?").arg(name),
                             platform::Icon::Question, platform::Buttons::SaveDiscardCancel, save);
    if (alive == nullptr)
        return false;
    if (answer == save)
        return saveSqlFile(sqlFile_);
    return answer == discard;
}

void w_sqlpad::showEditorMenu(const QPoint& at) {
    const std::unique_ptr<QMenu> menu(mle_1->createStandardContextMenu());
    if (!menu)
        return;
    menu->addSeparator();
    QAction* open = menu->addAction(QStringLiteral("&Open SQL File..."));
    open->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    QAction* save = menu->addAction(QStringLiteral("Save S&QL"));
    save->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    const QStringList recent = recentSqlFiles();
    QMenu* recentMenu = menu->addMenu(QStringLiteral("Recent &Files"));
    recentMenu->setEnabled(!recent.isEmpty());
    for (const QString& path : recent)
        recentMenu->addAction(path)->setData(path);
    const QPointer<w_sqlpad> alive(this);
    QAction* chosen = nullptr;
    {
        const platform::ModalScope modal;
        chosen = menu->exec(mle_1->mapToGlobal(at));
    }
    if (alive == nullptr || chosen == nullptr || closing())
        return;
    if (chosen == open) {
        openSqlFileDialog();
    } else if (chosen == save) {
        saveSqlFileDialog();
    } else if (chosen->data().isValid()) {
        const QString path = chosen->data().toString();
        if (confirmDropText() && alive != nullptr)
            openSqlFile(path);
    }
}

} // namespace app
