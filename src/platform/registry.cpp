#include "platform/registry.h"

#include <QWidget>

namespace platform {

ClassRegistry& ClassRegistry::instance() {
    static ClassRegistry registry;
    return registry;
}

void ClassRegistry::add(const QString& name, Factory factory) {
    factories_[name] = std::move(factory);
}

void ClassRegistry::remove(const QString& name) {
    factories_.erase(name);
}

bool ClassRegistry::contains(const QString& name) const {
    return factories_.find(name) != factories_.end();
}

std::unique_ptr<QWidget> ClassRegistry::create(const QString& name) const {
    const auto it = factories_.find(name);
    if (it == factories_.end())
        return nullptr;
    return it->second();
}

} // namespace platform
