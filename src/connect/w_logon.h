#pragma once

#include "app/records.h"
#include "connect/w_logon_lb_1.h"
#include "platform/windows.h"

#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

// The modal logon: connects the first free slot with the data source, user ID and password typed
// here, and closes with a str_sqlca record naming the slot.
class w_logon : public platform::ResponseWindow {
    Q_OBJECT
public:
    w_logon();
    ~w_logon() override;

    void open() override;

    // Controls, in creation order.
    QLabel* st_1;
    QLineEdit* sle_dsn;
    QLabel* p_1;
    w_logon_lb_1* lb_1;
    QPushButton* cb_cancel;
    QLineEdit* sle_pwd;
    QLabel* st_3;
    QLineEdit* sle_id;
    QLabel* st_2;
    QPushButton* cb_ok;

    str_sqlca istr_rtn;
    str_ini istr_ini;

    // Discovery: the local drive letters, and the pb.ini files that the search found.
    StringArray is_drives;
    StringArray is_files;
    long il_index = 0;

    Q_INVOKABLE void ue_initialize();
    Q_INVOKABLE void ue_ok();
    // Searches drive c (then d, when c has none) for pb.ini and reads the database interfaces
    // and profiles of the first one found into istr_ini. Nothing in the logon raises it.
    Q_INVOKABLE void ue_get_ini();

    void cb_ok_clicked();
    void cb_cancel_clicked();

    // Esc and the title bar's close both end here: a logon left that way is a cancelled one.
    void reject() override;

private:
    // The tab order, and what the controls' events run.
    void connectControls();
    // The slot to connect: the first free one, or the one the chooser frees when every slot is
    // in use (null when the choice was cancelled), with its name in `ls_sqlca`.
    platform::Transaction* chooseSlot(QString& ls_sqlca);
    void offerDataSources();
};

} // namespace app
