#include "platform/listbox.h"

#include "platform/dirlist.h"

namespace platform {

ListBox::ListBox(QWidget* parent) : QListWidget(parent) {}

ListBox::~ListBox() = default;

bool ListBox::DirList(const QString& pattern, unsigned fileType) {
    const QStringList entries = platform::DirList(pattern, fileType);
    clear();
    addItems(entries);
    return !entries.isEmpty();
}

int ListBox::TotalItems() const {
    return count();
}

QString ListBox::Text(int index) const {
    const QListWidgetItem* entry = index >= 1 ? item(index - 1) : nullptr;
    return entry != nullptr ? entry->text() : QString();
}

} // namespace platform
