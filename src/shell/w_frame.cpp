#include "shell/w_frame.h"

#include "app/globals.h"
#include "connect/discovery.h"
#include "platform/environment.h"
#include "platform/events.h"
#include "platform/linefile.h"
#include "platform/message.h"
#include "platform/messagebox.h"
#include "platform/odbcconfig.h"
#include "platform/units.h"
#include "shell/m_main.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStringList>

namespace app {
w_frame::w_frame() : menu_(new m_main(this)) {
    const QString name = globals().gs_appname;
    setWindowTitle(name.isEmpty() ? QStringLiteral("Dorvane") : name);
    platform::placeControl(this, 832, 360, 1998, 1208);
    setWindowState(Qt::WindowMaximized);
}

w_frame::~w_frame() = default;

void w_frame::open() {
    platform::TriggerEvent(this, "ue_initialize");
}

bool w_frame::logon() {
    // 1.
    const int opened = platform::Open(QStringLiteral("w_logon"));
    if (platform::halted())
        return false;
    // 2. A logon that could not open, or closed without a record, counts as a cancelled one.
    const auto* record = opened == 1 ? platform::Message().parm<str_sqlca>() : nullptr;
    istr_rtn = record != nullptr ? *record : str_sqlca{};
    // 3.
    return !istr_rtn.s_sqlcode.isNull() && istr_rtn.s_sqlcode.value() == 0;
}

void w_frame::openWorkspace() {
    platform::OpenSheetWithParm(QStringLiteral("w_sqlpad"), istr_rtn, this, 1,
                                platform::Arrange::Cascaded);
}

void w_frame::ue_initialize() {
    if (!logon())
        return;
    openWorkspace();
}

void w_frame::ue_connect() {
    if (!logon()) {
        // A chooser on the way may have been told to discard the changes of the sheets on the
        // connection it closed; with no new connection, nothing closes them now.
        forgetDropAnswers();
        return;
    }
    // Every sheet closes first, one at a time; a sheet that refuses stops the command. A sheet
    // that is retrieving stops and closes once it has stopped; the workspace opens after it.
    if (closeEverySheet([this] { openWorkspace(); }) == SheetsClosing::Closed)
        openWorkspace();
}

void w_frame::ue_sqlpad() {
    if (QWidget* active = GetActiveSheet()) {
        if (auto* sheet = qobject_cast<platform::Sheet*>(active))
            sheet->runCommand(platform::Sheet::Command::Sqlpad);
        return;
    }
    platform::OpenSheet(QStringLiteral("w_sqlpad"), this, 1, platform::Arrange::Cascaded,
                        platform::Reference::Global);
}

void w_frame::ue_open_single() {
    MenuID()->m_insert->setEnabled(true);
    MenuID()->m_delete->setEnabled(true);
    platform::TriggerEvent(this, "ue_open");
}

void w_frame::ue_open() {
    platform::OpenSheetWithParm(QStringLiteral("w_db2"), istr_rtn, this, 1,
                                platform::Arrange::Cascaded);
}

void w_frame::ue_open_mul() {
    MenuID()->m_insert->setEnabled(false);
    MenuID()->m_delete->setEnabled(false);
    platform::OpenSheetWithParm(QStringLiteral("w_tbl_sel"), istr_rtn, this, 1,
                                platform::Arrange::Original, platform::Reference::Global);
}

void w_frame::forward(platform::Sheet::Command command) {
    if (auto* sheet = qobject_cast<platform::Sheet*>(GetActiveSheet()))
        sheet->runCommand(command);
}

void w_frame::ue_print() {
    forward(platform::Sheet::Command::Print);
}

void w_frame::ue_save() {
    forward(platform::Sheet::Command::Save);
}

void w_frame::ue_saveas() {
    forward(platform::Sheet::Command::SaveAs);
}

void w_frame::ue_insert() {
    forward(platform::Sheet::Command::Insert);
}

void w_frame::ue_delete() {
    forward(platform::Sheet::Command::Delete);
}

void w_frame::ue_get_columns() {
    forward(platform::Sheet::Command::GetColumns);
}

void w_frame::ue_get_ini() {
    // 1.
    istr_ini.ss_profile.clear();

    // 2.
    const platform::OdbcDataSourceListing ls_odbc =
        platform::OdbcDataSources(platform::GetEnvironment());

    // 3.
    if (!platform::FileExists(ls_odbc.file)) {
        platform::MessageBox(QStringLiteral("ODBC error"),
                             QStringLiteral("ODBC driver not installed on this machine"));
        return;
    }

    // 4. A file that is there but cannot be read lists nothing.
    platform::LineFile li_file;
    if (!li_file.open(ls_odbc.file))
        return;

    // 5. Up to the listing's header; without one, reading ends at the end of the file.
    QString ls_line;
    bool lb_found = false;
    while (!lb_found && li_file.read(ls_line) >= 0)
        lb_found = ls_line == ls_odbc.header;

    // 6. The section ends at the next header or at the end of the file.
    QStringList ls_lines;
    if (lb_found) {
        for (int li_read = li_file.read(ls_line); li_read >= 0; li_read = li_file.read(ls_line)) {
            if (ls_line.startsWith(u'['))
                break;
            if (li_read > 0)
                ls_lines.append(ls_line);
        }
    }

    // 7.
    for (qsizetype i = 0; i < ls_lines.size(); ++i)
        istr_ini.ss_profile.set(static_cast<long>(i + 1), dataSourceName(ls_lines.at(i)));
}

} // namespace app
