#include "platform/host.h"

#include <utility>

namespace platform {
namespace {

std::unique_ptr<WindowHost>& installed() {
    static std::unique_ptr<WindowHost> host;
    return host;
}

} // namespace

WindowHost::~WindowHost() = default;

void installWindowHost(std::unique_ptr<WindowHost> host) {
    installed() = std::move(host);
}

const WindowHost* windowHost() {
    return installed().get();
}

bool windowClosing(const QWidget* widget) {
    const WindowHost* host = windowHost();
    return host != nullptr && host->closing(widget);
}

bool refuseWhileWindowBusy(const QWidget* widget, bool widgetBusy) {
    if (const WindowHost* host = windowHost())
        return host->refuseWhileBusy(widget, widgetBusy);
    // No window, hence no status line to say why in.
    return widgetBusy;
}

} // namespace platform
