#pragma once

#include <QString>
#include <functional>
#include <map>
#include <memory>

class QWidget;

namespace platform {

// Window classes found by class name. The window library adds its classes when it is loaded.
class ClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<QWidget>()>;

    static ClassRegistry& instance();

    // Adds or replaces the class `name`.
    void add(const QString& name, Factory factory);
    template <typename Window> void add(const QString& name) {
        add(name, [] { return std::make_unique<Window>(); });
    }
    void remove(const QString& name);
    bool contains(const QString& name) const;

    // A new instance of the class, or nullptr when no class has that name.
    std::unique_ptr<QWidget> create(const QString& name) const;

private:
    std::map<QString, Factory> factories_;
};

} // namespace platform
