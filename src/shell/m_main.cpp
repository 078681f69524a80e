#include "shell/m_main.h"

#include "platform/events.h"
#include "platform/windows.h"
#include "shell/toolbar_pictures.h"

#include <QAction>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace app {
namespace {

// A menu item that also shows as a toolbar button: its picture, and its toolbar text as the
// button's label and tip.
void giveButton(QAction* item, const QString& picture, const QString& toolbarText) {
    item->setIcon(toolbarPicture(picture));
    item->setIconVisibleInMenu(false);
    item->setIconText(toolbarText);
    item->setToolTip(toolbarText);
}

} // namespace

m_main::m_main(QMainWindow* window) : QObject(window), window_(window) {
    QMenuBar* bar = window->menuBar();

    m_file = bar->addMenu(QStringLiteral("&File"));
    m_open = m_file->addMenu(QStringLiteral("&Open..."));
    m_administrator = m_open->addAction(QStringLiteral("SQL Workspace"));
    giveButton(m_administrator, QStringLiteral("Custom082!"), QStringLiteral("SQL Workspace"));
    m_singletablemgr = m_open->addAction(QStringLiteral("Single Table View"));
    giveButton(m_singletablemgr, QStringLiteral("Custom050!"), QStringLiteral("Single Table View"));
    m_multi_tablemgr = m_open->addAction(QStringLiteral("Multi-Table View"));
    giveButton(m_multi_tablemgr, QStringLiteral("Sort!"), QStringLiteral("Multi_Table View"));
    m_newdbparm = m_open->addAction(QStringLiteral("New Connection"));
    giveButton(m_newdbparm, QStringLiteral("Database!"), QStringLiteral("New Connection"));
    m_file->addSeparator();
    m_save = m_file->addAction(QStringLiteral("&Save"));
    giveButton(m_save, QStringLiteral("Save!"), QStringLiteral("Save"));
    m_saveas = m_file->addAction(QStringLiteral("Save&As"));
    giveButton(m_saveas, QStringLiteral("SaveAs!"), QStringLiteral("Save As"));
    m_file->addSeparator();
    m_print = m_file->addAction(QStringLiteral("Print"));
    giveButton(m_print, QStringLiteral("Print!"), QStringLiteral("Print"));
    m_file->addSeparator();
    m_exit = m_file->addAction(QStringLiteral("E&xit"));
    giveButton(m_exit, QStringLiteral("Exit!"), QStringLiteral("Exit"));

    // Insert and Delete are hidden items: the drop-down lists nothing, and their toolbar buttons
    // are the only way to them.
    m_edit = bar->addMenu(QStringLiteral("&Edit"));
    m_insert = new QAction(QStringLiteral("Insert"), m_edit);
    giveButton(m_insert, QStringLiteral("Insert5!"), QStringLiteral("Insert"));
    m_delete = new QAction(QStringLiteral("Delete"), m_edit);
    giveButton(m_delete, QStringLiteral("Clear!"), QStringLiteral("Delete"));

    m_help = bar->addMenu(QStringLiteral("&Help"));
    m_about = m_help->addAction(QStringLiteral("About"));
    giveButton(m_about, QStringLiteral("Help!"), QStringLiteral("About"));

    // Menu order, with Exit moved to the end.
    toolbar = window->addToolBar(QStringLiteral("Toolbar"));
    toolbar->setObjectName(QStringLiteral("m_main_toolbar"));
    toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolbar->addActions({m_administrator, m_singletablemgr, m_multi_tablemgr, m_newdbparm, m_save,
                         m_saveas, m_print, m_insert, m_delete, m_about, m_exit});

    connect(m_administrator, &QAction::triggered, this, &m_main::m_administrator_clicked);
    connect(m_singletablemgr, &QAction::triggered, this, &m_main::m_singletablemgr_clicked);
    connect(m_multi_tablemgr, &QAction::triggered, this, &m_main::m_multi_tablemgr_clicked);
    connect(m_newdbparm, &QAction::triggered, this, &m_main::m_newdbparm_clicked);
    connect(m_save, &QAction::triggered, this, &m_main::m_save_clicked);
    connect(m_saveas, &QAction::triggered, this, &m_main::m_saveas_clicked);
    connect(m_print, &QAction::triggered, this, &m_main::m_print_clicked);
    connect(m_exit, &QAction::triggered, this, &m_main::m_exit_clicked);
    connect(m_insert, &QAction::triggered, this, &m_main::m_insert_clicked);
    connect(m_delete, &QAction::triggered, this, &m_main::m_delete_clicked);
    connect(m_about, &QAction::triggered, this, &m_main::m_about_clicked);
    connect(m_file, &QMenu::aboutToShow, this, &m_main::listSheets);
}

m_main::~m_main() = default;

QMainWindow* m_main::ParentWindow() const {
    return window_;
}

void m_main::raise(const char* event) {
    platform::TriggerEvent(ParentWindow(), event);
}

void m_main::m_administrator_clicked() {
    raise("ue_sqlpad");
}

void m_main::m_singletablemgr_clicked() {
    raise("ue_open_single");
}

void m_main::m_multi_tablemgr_clicked() {
    raise("ue_open_mul");
}

void m_main::m_newdbparm_clicked() {
    raise("ue_connect");
}

void m_main::m_save_clicked() {
    raise("ue_save");
}

void m_main::m_saveas_clicked() {
    raise("ue_saveas");
}

void m_main::m_print_clicked() {
    raise("ue_print");
}

void m_main::m_exit_clicked() {
    if (QMainWindow* window = ParentWindow())
        window->close();
}

void m_main::m_insert_clicked() {
    raise("ue_insert");
}

void m_main::m_delete_clicked() {
    raise("ue_delete");
}

void m_main::m_about_clicked() {
    platform::Open(QStringLiteral("w_splash"));
}

void m_main::listSheets() {
    qDeleteAll(sheetItems_);
    sheetItems_.clear();
    auto* frame = qobject_cast<platform::Frame*>(ParentWindow());
    if (frame == nullptr)
        return;
    const QList<QMdiSubWindow*> windows = frame->mdiArea()->subWindowList();
    QMdiSubWindow* current = frame->mdiArea()->currentSubWindow();
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        if (window->isHidden())
            continue; // closed, waiting for its deferred deletion
        if (number == 0)
            sheetItems_ << m_file->addSeparator();
        ++number;
        QAction* item = m_file->addAction(QStringLiteral("&%1 %2").arg(number).arg(
            window->windowTitle().replace(u'&', QStringLiteral("&&"))));
        item->setCheckable(true);
        item->setChecked(window == current);
        QPointer<QMdiSubWindow> target = window;
        QPointer<QMdiArea> area = frame->mdiArea();
        connect(item, &QAction::triggered, this, [target, area] {
            if (target != nullptr && area != nullptr)
                area->setActiveSubWindow(target);
        });
        sheetItems_ << item;
    }
}

} // namespace app
