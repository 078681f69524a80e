#pragma once

#include <QMetaType>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <vector>

class QAction;

namespace platform::grid {

class GridModel;

// What a click hit: "column" (a cell), "text" (a heading) or "datawindow" (anything else).
struct DwObject {
    QString type;
    QString name;
};

// The table view of a grid: paints and edits its cells (NULL stays NULL), keeps the rows it
// highlights, maps clicks to what they hit, sizes the columns from the definition, and offers
// Copy, Copy with Headings and Set to NULL. It reads the rows; changes go through the model.
// Rows count from 1 in its calls, as the windows count them.
class GridView final : public QTableView {
    Q_OBJECT
public:
    // `parent` is the widget whose coordinates a click reports.
    explicit GridView(QWidget* parent);

    void setGridModel(GridModel* model);

    // --- highlighting, which follows a row through sorting; row 0: every row
    bool setRowHighlighted(long row, bool on);
    bool isRowHighlighted(long row) const;
    // The first highlighted row after `after`, or 0.
    long highlightedRowAfter(long after) const;

    // Takes what an open cell editor holds into the rows and closes the editor.
    void acceptEdit();
    // The highlighted rows, or the current cell when no row is highlighted, as tab-separated
    // text and as an HTML table.
    void copyToClipboard(bool headings) const;

    // Typing in a grid that is not being edited finds nothing: Qt's search would read every
    // row, and a grid of millions of rows would not answer for seconds at each key.
    void keyboardSearch(const QString&) override {}

    QAction* setNullAction() const { return setNull_; }
    QAction* copyAction() const { return copy_; }
    QAction* copyWithHeadingsAction() const { return copyWithHeadings_; }

Q_SIGNALS:
    // `xpos` and `ypos` are in the parent's coordinates; `row` counts from 1 (0: no row).
    void clickedAt(int xpos, int ypos, long row, const platform::grid::DwObject& dwo);
    void gotFocus();
    void lostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Delegate;
    // Widths come from the definition once; a new retrieval keeps what the user (or the window)
    // made of them.
    void sizeColumns();
    // The row count changed from `oldCount` to `newCount`.
    void rowsCounted(int oldCount, int newCount);
    bool refuseInputWhileBusy() const;
    void setCurrentCellNull();
    void showContextMenu(const QPoint& position);
    void highlightStoreRow(std::size_t storeRow, bool on);
    // The stored row of display row `row` (from 1), which highlighting follows.
    std::size_t storeRowOf(long row) const;
    long rowCount() const;

    QPointer<GridModel> model_;
    Delegate* delegate_;
    QAction* setNull_;
    QAction* copy_;
    QAction* copyWithHeadings_;
    QStringList sizedColumns_;
    std::vector<bool> highlighted_;
};

} // namespace platform::grid

Q_DECLARE_METATYPE(platform::grid::DwObject)
