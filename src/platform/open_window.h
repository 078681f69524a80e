#pragma once

#include <QString>
#include <QWidget>
#include <any>

namespace platform {

class Frame;

// How a sheet is placed in the frame's client area when it opens.
enum class Arrange { Original, Cascaded, Layered };

// Opens a frame or a response window by class name. A response window returns only after it has
// closed. Returns 1, or -1 after a runtime error (unknown class).
int Open(const QString& className);
int OpenWithParm(const QString& className, std::any parm);

// Opens a sheet in `frame`. By class name each call makes a new instance; through the class's
// global reference the open instance, if any, is brought to the front and not opened again.
// Returns the sheet, or nullptr after a runtime error.
enum class Reference { NewInstance, Global };
QWidget* OpenSheet(const QString& className, Frame* frame, int position = 1,
                   Arrange arrange = Arrange::Original, Reference ref = Reference::NewInstance);
QWidget* OpenSheetWithParm(const QString& className, std::any parm, Frame* frame, int position = 1,
                           Arrange arrange = Arrange::Original,
                           Reference ref = Reference::NewInstance);

// The open instance behind the class's global reference, or nullptr.
QWidget* globalInstance(const QString& className);

// The frame that the application opened, or nullptr.
Frame* currentFrame();
// The status line of the current frame; nothing happens without a frame.
void SetMicroHelp(const QString& text);

// Ends the application: closes every window, leaves every event loop. The caller's handler goes
// on to its end; nothing is opened afterwards.
void HaltClose();
bool halted();
// Deletes the frames and everything in them (end of run, or between tests).
void destroyWindows();
// Forgets an earlier HALT CLOSE (tests only).
void resetHalt();

} // namespace platform
