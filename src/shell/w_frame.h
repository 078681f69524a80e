#pragma once

#include "app/records.h"
#include "platform/windows.h"

namespace app {

class m_main;

// The one top-level window: runs the logon, opens the sheets with a copy of the connection record
// that the last logon returned, and hands the commands that act on a grid to the active sheet.
class w_frame : public platform::Frame {
    Q_OBJECT
public:
    w_frame();
    ~w_frame() override;

    void open() override;

    m_main* MenuID() const { return menu_; }

    str_sqlca istr_rtn;
    str_ini istr_ini;

    Q_INVOKABLE void ue_initialize();
    Q_INVOKABLE void ue_connect();
    Q_INVOKABLE void ue_sqlpad();
    Q_INVOKABLE void ue_open_single();
    Q_INVOKABLE void ue_open();
    Q_INVOKABLE void ue_open_mul();
    Q_INVOKABLE void ue_print();
    Q_INVOKABLE void ue_save();
    Q_INVOKABLE void ue_saveas();
    Q_INVOKABLE void ue_insert();
    Q_INVOKABLE void ue_delete();
    Q_INVOKABLE void ue_get_columns();
    // Reads the names of the ODBC data sources into istr_ini.ss_profile. Nothing in the frame
    // raises it.
    Q_INVOKABLE void ue_get_ini();

private:
    // Steps 1 to 3 of the logon sequence; true when the logon ended in a connection.
    bool logon();
    void openWorkspace();
    // Gives the active sheet a command.
    void forward(platform::Sheet::Command command);

    m_main* menu_;
};

} // namespace app
