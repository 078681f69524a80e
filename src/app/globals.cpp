#include "app/globals.h"

namespace app {

Globals& globals() {
    static Globals g;
    return g;
}

platform::Transaction* slotByName(const QString& name) {
    Globals& g = globals();
    if (name == u"SQLCA")
        return g.SQLCA;
    if (name == u"SQLCA1")
        return g.SQLCA1;
    if (name == u"SQLCA2")
        return g.SQLCA2;
    if (name == u"SQLCA3")
        return g.SQLCA3;
    return nullptr;
}

} // namespace app
