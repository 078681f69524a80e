#pragma once

namespace app {

// Makes the library's window classes known to the platform by their class names. The program
// calls it once at start, before the application object opens its first window.
void registerLibraryClasses();

} // namespace app
