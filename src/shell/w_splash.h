#pragma once

#include "platform/windows.h"

class QLabel;
class QPushButton;

namespace app {

// The about window: the application's name and version, and a notice.
class w_splash : public platform::ResponseWindow {
    Q_OBJECT
public:
    w_splash();
    ~w_splash() override;

    void open() override;

    QLabel* st_app;
    QLabel* st_1;
    QPushButton* cb_ok;

    void cb_ok_clicked();
};

// The notice: an empty line, then three lines that each begin with a blank; every line ends with
// a carriage return and line feed.
QString splashNotice();

} // namespace app
