#pragma once

#include "app/records.h"
#include "platform/windows.h"

#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
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
    QListWidget* lb_1;
    QPushButton* cb_cancel;
    QLineEdit* sle_pwd;
    QLabel* st_3;
    QLineEdit* sle_id;
    QLabel* st_2;
    QPushButton* cb_ok;

    str_sqlca istr_rtn;
    str_ini istr_ini;

    Q_INVOKABLE void ue_initialize();
    Q_INVOKABLE void ue_ok();

    void cb_ok_clicked();
    void cb_cancel_clicked();

    // Esc and the title bar's close both end here: a logon left that way is a cancelled one.
    void reject() override;

private:
    void offerDataSources();
};

} // namespace app
