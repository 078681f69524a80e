#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <vector>

class QScrollBar;
class QWidget;

namespace platform {

// A sheet's controls at their design places, and what happens when the sheet is not at its
// design size. Larger: the main grid grows into the new space, right and down; controls below it
// move down with the bottom edge, controls beside it keep their distance to the bottom edge, and
// controls to its right, or below and not left of it, move right with the right edge.
// Smaller: nothing shrinks, and scroll bars move the design over the sheet.
class SheetLayout final : public QObject {
    Q_OBJECT
public:
    // Takes the sheet's size and its controls' places as the design, as they are now.
    SheetLayout(QWidget* sheet, QWidget* grows);

    // Places every control for the sheet's size and the scroll bars' positions.
    void arrange();
    QScrollBar* horizontalBar() const { return horizontal_; }
    QScrollBar* verticalBar() const { return vertical_; }

    // Where a control designed at `design` goes when the grid designed at `grid` grows by
    // `grow` (width and height, never negative).
    static QRect placed(const QRect& design, const QRect& grid, const QSize& grow, bool isGrid);

private:
    struct Control {
        QPointer<QWidget> widget;
        QRect design;
    };
    QWidget* sheet_;
    QPointer<QWidget> grows_;
    QSize design_;
    QRect gridDesign_;
    std::vector<Control> controls_;
    QScrollBar* horizontal_;
    QScrollBar* vertical_;
};

} // namespace platform
