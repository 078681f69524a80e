#include "shell/w_splash.h"

#include "app/globals.h"
#include "app/look.h"
#include "platform/units.h"

#include <QLabel>
#include <QPushButton>

namespace app {

QString splashNotice() {
    return QStringLiteral("\r\n"
                          " A browser for IBM Db2 databases reached through ODBC data sources.\r\n"
                          " Free SQL, single-table and linked multi-table views, up to four "
                          "connections at once.\r\n"
                          " Written in C++ on Qt and unixODBC.\r\n");
}

w_splash::w_splash() {
    const QString name = globals().gs_appname;
    setWindowTitle(QStringLiteral("About ") + (name.isEmpty() ? QStringLiteral("Dorvane") : name));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowBackground(this);
    platform::placeControl(this, 215, 181, 2478, 929);
    setFixedSize(size());

    st_app = new QLabel(this);
    st_app->setFont(windowFont(QStringLiteral("Times New Roman"), 14, true));
    st_app->setAlignment(Qt::AlignCenter);
    setBackground(st_app, silver());
    platform::placeControl(st_app, 513, 69, 1431, 121);

    st_1 = new QLabel(this);
    st_1->setFont(windowFont(QStringLiteral("MS Sans Serif"), 8, true));
    st_1->setFrameShape(QFrame::Box);
    st_1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    st_1->setTextFormat(Qt::PlainText);
    setBackground(st_1, Qt::white);
    platform::placeControl(st_1, 69, 273, 2318, 341);

    cb_ok = commandButton(this, QStringLiteral("OK"),
                          windowFont(QStringLiteral("MS Sans Serif"), 8, true));
    cb_ok->setDefault(true);
    platform::placeControl(cb_ok, 1102, 685, 247, 109);
    cb_ok->setFocus();

    connect(cb_ok, &QPushButton::clicked, this, &w_splash::cb_ok_clicked);
}

w_splash::~w_splash() = default;

void w_splash::open() {
    // 1.
    st_app->setText(globals().gs_appname + QStringLiteral(" ") + globals().gs_version);
    // 2.
    st_1->setText(splashNotice());
}

void w_splash::cb_ok_clicked() {
    Close();
}

} // namespace app
