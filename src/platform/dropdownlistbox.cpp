#include "platform/dropdownlistbox.h"

#include "platform/units.h"

#include <QAbstractItemView>
#include <algorithm>

namespace platform {

DropDownListBox::DropDownListBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { Q_EMIT SelectionChanged(index + 1); });
}

DropDownListBox::~DropDownListBox() = default;

int DropDownListBox::AddItem(const QString& item) {
    const int selected = currentIndex();
    addItem(item);
    // A combo box selects its first entry by itself; a drop-down list starts with none.
    if (selected < 0)
        setCurrentIndex(-1);
    return count();
}

int DropDownListBox::SelectItem(const QString& item, int after) {
    for (int index = std::max(after, 0); index < count(); ++index) {
        if (itemText(index) == item) {
            setCurrentIndex(index);
            return index + 1;
        }
    }
    return 0;
}

int DropDownListBox::Reset() {
    clear();
    return 1;
}

void DropDownListBox::place(int x, int y, int width, int openHeight) {
    const QRect open = unitsToPixels(x, y, width, openHeight);
    const int closed = sizeHint().height();
    setGeometry(open.x(), open.y(), open.width(), closed);
    const int line = std::max(1, view()->sizeHintForRow(0) > 0 ? view()->sizeHintForRow(0)
                                                               : fontMetrics().height());
    setMaxVisibleItems(std::max(1, (open.height() - closed) / line));
}

} // namespace platform
