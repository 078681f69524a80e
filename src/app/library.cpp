#include "app/library.h"

#include "platform/registry.h"

namespace app {

void registerLibraryClasses() {
    [[maybe_unused]] platform::ClassRegistry& registry = platform::ClassRegistry::instance();
    // The windows join here as they are built.
}

} // namespace app
