#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace app {

// The frame's menu and, through the same actions, its toolbar: a button does exactly what its
// menu item does. Every command raises a named event on the window that owns the menu; Exit
// closes that window and About opens the about window.
class m_main : public QObject {
    Q_OBJECT
public:
    // Builds the menu bar and the toolbar of `window`, which owns the menu from then on.
    explicit m_main(QMainWindow* window);
    ~m_main() override;

    QMainWindow* ParentWindow() const;

    // The menu bar, in order, and its items.
    QMenu* m_file;
    QMenu* m_open;
    QAction* m_administrator;
    QAction* m_singletablemgr;
    QAction* m_multi_tablemgr; // m_multi-tablemgr: no hyphen in a C++ name
    QAction* m_newdbparm;
    QAction* m_save;
    QAction* m_saveas;
    QAction* m_print;
    QAction* m_exit;
    QMenu* m_edit;
    QAction* m_insert;
    QAction* m_delete;
    QMenu* m_help;
    QAction* m_about;

    QToolBar* toolbar;

    void m_administrator_clicked();
    void m_singletablemgr_clicked();
    void m_multi_tablemgr_clicked();
    void m_newdbparm_clicked();
    void m_save_clicked();
    void m_saveas_clicked();
    void m_print_clicked();
    void m_exit_clicked();
    void m_insert_clicked();
    void m_delete_clicked();
    void m_about_clicked();

private:
    void raise(const char* event);
    // The open sheets, listed at the end of File.
    void listSheets();

    QPointer<QMainWindow> window_;
    QList<QAction*> sheetItems_;
};

} // namespace app
