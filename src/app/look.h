#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace platform {
class DropDownListBox;
}

namespace app {

// The look that every window of the library shares: the fonts and colours of the desktop the
// windows were drawn on, and the controls made in them. Each window places its controls itself.

// The windows name the fonts of the desktop they were drawn on ("MS Sans Serif", "Times New
// Roman"); where those are missing the nearest family of the same kind stands in.
QFont windowFont(const QString& family, int pointSize, bool bold);

// Light grey, the colour of labels and of buttons of the classic desktop.
inline QColor silver() {
    return {192, 192, 192};
}

// Fills the widget's own background with `colour`.
void setBackground(QWidget* widget, const QColor& colour);
// A window's background: the desktop's colour of button faces.
void setWindowBackground(QWidget* window);

// A disabled label takes no input but reads as ordinary text, not greyed out.
void makeDisabledLabel(QLabel* label);
// The label's text in `colour`, whether the label is enabled or not.
void setTextColour(QLabel* label, const QColor& colour);

// A label in `font` that takes no input, on its window's background.
QLabel* disabledLabel(QWidget* parent, const QString& text, const QFont& font);
// A label of a sheet: a disabled label on silver.
QLabel* sheetLabel(QWidget* parent, const QString& text, const QFont& font);
// A command button with its caption in `font`.
QPushButton* commandButton(QWidget* parent, const QString& caption, const QFont& font);
// A single-line entry in `font`, on white.
QLineEdit* singleLineEdit(QWidget* parent, const QFont& font);
// A drop-down list in `font`, closed line and open list on silver.
platform::DropDownListBox* dropDownList(QWidget* parent, const QFont& font);

} // namespace app
