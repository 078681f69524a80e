#pragma once

#include "platform/windows.h"

class QLabel;
class QPushButton;

namespace platform::grid {
class DataWindow;
struct DwObject;
} // namespace platform::grid

namespace app {

// The connection chooser: opened by the logon when all four slots are in use. The user selects
// one connection; the chooser disconnects it and closes with the slot's name, or with the empty
// string when the user gives up.
class w_sqlca : public platform::ResponseWindow {
    Q_OBJECT
public:
    w_sqlca();
    ~w_sqlca() override;

    void open() override;

    // Controls, in creation order.
    QPushButton* cb_ok;
    QLabel* st_1;
    platform::grid::DataWindow* dw_1;

    Q_INVOKABLE void ue_ok();

    void cb_ok_clicked();
    void dw_1_clicked(int xpos, int ypos, long row, const platform::grid::DwObject& dwo);

    // Esc and the title bar's close: the user gave up, the logon finds the empty string.
    void reject() override;
};

} // namespace app
