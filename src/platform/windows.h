#pragma once

// The window layer: the frame, its sheets, response windows, and opening them by class name.
#include "platform/frame.h"
#include "platform/open_window.h"
#include "platform/response_window.h"
#include "platform/sheet.h"
