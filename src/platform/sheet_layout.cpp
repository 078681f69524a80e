#include "platform/sheet_layout.h"

#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace platform {

SheetLayout::SheetLayout(QWidget* sheet, QWidget* grows)
    : QObject(sheet), sheet_(sheet), grows_(grows), design_(sheet->size()),
      gridDesign_(grows != nullptr ? grows->geometry() : QRect()),
      horizontal_(new QScrollBar(Qt::Horizontal, sheet)),
      vertical_(new QScrollBar(Qt::Vertical, sheet)) {
    for (QWidget* child : sheet->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (child != horizontal_ && child != vertical_ && !child->isWindow())
            controls_.push_back({child, child->geometry()});
    }
    horizontal_->hide();
    vertical_->hide();
    connect(horizontal_, &QScrollBar::valueChanged, this, &SheetLayout::arrange);
    connect(vertical_, &QScrollBar::valueChanged, this, &SheetLayout::arrange);
}

QRect SheetLayout::placed(const QRect& design, const QRect& grid, const QSize& grow, bool isGrid) {
    QRect r = design;
    if (isGrid) {
        r.setSize(r.size() + grow);
        return r;
    }
    const bool below = design.top() > grid.bottom();
    const bool right = design.left() > grid.right();
    const bool beside = !below && design.bottom() >= grid.bottom();
    if (below)
        r.translate(0, grow.height());
    else if (beside && design.left() < grid.left())
        r.setHeight(r.height() + grow.height()); // beside it, on the left: down to the edge
    else if (beside)
        r.translate(0, grow.height());
    // Right of the grid, or below it (not below what stands left of it): with the right edge.
    if (right || (below && design.left() >= grid.left()))
        r.translate(grow.width(), 0);
    return r;
}

void SheetLayout::arrange() {
    const int bar = sheet_->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    int width = sheet_->width();
    int height = sheet_->height();
    // Narrower or lower than the design: scroll bars, which take room of their own.
    bool scrollX = width < design_.width();
    bool scrollY = height < design_.height();
    if (scrollX && !scrollY)
        scrollY = height - bar < design_.height();
    if (scrollY && !scrollX)
        scrollX = width - bar < design_.width();
    if (scrollY)
        width -= bar;
    if (scrollX)
        height -= bar;
    horizontal_->setVisible(scrollX);
    vertical_->setVisible(scrollY);
    horizontal_->blockSignals(true);
    vertical_->blockSignals(true);
    horizontal_->setRange(0, scrollX ? design_.width() - width : 0);
    horizontal_->setPageStep(std::max(1, width));
    vertical_->setRange(0, scrollY ? design_.height() - height : 0);
    vertical_->setPageStep(std::max(1, height));
    horizontal_->blockSignals(false);
    vertical_->blockSignals(false);
    horizontal_->setGeometry(0, height, width, bar);
    vertical_->setGeometry(width, 0, bar, height);

    const QSize grow(std::max(0, width - design_.width()), std::max(0, height - design_.height()));
    const QPoint scrolled(scrollX ? horizontal_->value() : 0, scrollY ? vertical_->value() : 0);
    for (const Control& control : controls_) {
        if (control.widget == nullptr)
            continue;
        control.widget->setGeometry(
            placed(control.design, gridDesign_, grow, control.widget == grows_)
                .translated(-scrolled));
    }
    horizontal_->raise();
    vertical_->raise();
}

} // namespace platform
