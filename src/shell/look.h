#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace app {

// The windows name the fonts of the desktop they were drawn on ("MS Sans Serif", "Times New
// Roman"); where those are missing the nearest family of the same kind stands in.
QFont windowFont(const QString& family, int pointSize, bool bold);

// Light grey, the colour of labels and of buttons of the classic desktop.
inline QColor silver() {
    return {192, 192, 192};
}

// Fills the widget's own background with `colour`.
void setBackground(QWidget* widget, const QColor& colour);

// A disabled label takes no input but reads as ordinary text, not greyed out.
void makeDisabledLabel(QLabel* label);

// A label of a sheet: disabled, on silver, in `font`.
QLabel* sheetLabel(QWidget* parent, const QString& text, const QFont& font);
// A command button with its caption in `font`.
QPushButton* commandButton(QWidget* parent, const QString& caption, const QFont& font);

} // namespace app
