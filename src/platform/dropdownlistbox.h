#pragma once

#include <QComboBox>
#include <QString>

namespace platform {

// A drop-down list box: a closed line showing the selected entry, and a list that opens below it.
// Entries count from 1. Only the user's choice raises SelectionChanged; SelectItem does not.
class DropDownListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownListBox(QWidget* parent = nullptr);
    ~DropDownListBox() override;

    // Appends an entry and returns its position. Adding entries selects none of them.
    int AddItem(const QString& item);
    // Selects the first entry after position `after` whose text is `item`; returns its position,
    // or 0 (the selection is then unchanged) when there is none.
    int SelectItem(const QString& item, int after);
    // Removes every entry; the text becomes empty.
    int Reset();
    int TotalItems() const { return count(); }
    // The text of the selected entry; "" when none is selected.
    QString Text() const { return currentIndex() >= 0 ? currentText() : QString(); }
    // Places the control in layout units: `openHeight` is the height with its list open.
    void place(int x, int y, int width, int openHeight);

Q_SIGNALS:
    void SelectionChanged(int index);
};

} // namespace platform
