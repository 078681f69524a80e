// The entry point by which the window library opens SQL workspaces from this library, which it
// loads only when the first workspace opens (see app/library.cpp).

#include "sqlpad/w_sqlpad.h"

#include <memory>

extern "C" Q_DECL_EXPORT void dorvane_new_w_sqlpad(std::unique_ptr<QWidget>* window) {
    *window = std::make_unique<app::w_sqlpad>();
}
