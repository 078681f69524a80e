#pragma once

#include <QListWidget>
#include <QString>

namespace platform {

// A list box with the classic operations on its entries, counted from 1.
class ListBox : public QListWidget {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);
    ~ListBox() override;

    // Replaces the entries by the listing of `pattern` (see platform::DirList); true when it
    // listed anything.
    bool DirList(const QString& pattern, unsigned fileType);
    int TotalItems() const;
    // The entry at `index`, or "" outside the list.
    QString Text(int index) const;
};

} // namespace platform
