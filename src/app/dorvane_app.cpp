#include "app/dorvane_app.h"

#include "app/globals.h"
#include "platform/message.h"
#include "platform/windows.h"

#include <QCoreApplication>

namespace app {

dorvane_app::dorvane_app() = default;

dorvane_app::~dorvane_app() {
    Globals& g = globals();
    g.SQLCA1 = g.SQLCA2 = g.SQLCA3 = nullptr;
}

void dorvane_app::create() {
    platform::Message().reset();
    sqlca_ = std::make_unique<platform::Transaction>(QStringLiteral("SQLCA"));
    globals().SQLCA = sqlca_.get();
    platform::Error().reset();
    QCoreApplication::setApplicationName(QStringLiteral("dorvane_app"));
}

void dorvane_app::open(const QString& /*commandline*/) {
    Globals& g = globals();
    g.gs_appname = QStringLiteral("Dorvane");
    g.gs_version = QStringLiteral("Version 1.1");

    sqlca1_ = std::make_unique<platform::Transaction>(QStringLiteral("SQLCA1"));
    g.SQLCA1 = sqlca1_.get();
    sqlca2_ = std::make_unique<platform::Transaction>(QStringLiteral("SQLCA2"));
    g.SQLCA2 = sqlca2_.get();
    sqlca3_ = std::make_unique<platform::Transaction>(QStringLiteral("SQLCA3"));
    g.SQLCA3 = sqlca3_.get();

    platform::Open(QStringLiteral("w_frame"));
}

void dorvane_app::destroy() {
    platform::destroyWindows();
    globals().SQLCA = nullptr;
    sqlca_.reset();
    platform::Error().reset();
    platform::Message().reset();
}

} // namespace app
