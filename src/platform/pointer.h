#pragma once

namespace platform {

enum class Pointer { Arrow, HourGlass };

// The mouse pointer of the whole application. Hourglass and arrow always balance: any number of
// hourglass calls is undone by one arrow.
void SetPointer(Pointer pointer);
Pointer currentPointer();

} // namespace platform
