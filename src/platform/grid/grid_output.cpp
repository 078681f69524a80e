#include "platform/grid/grid_output.h"

#include "platform/grid/datawindow.h"
#include "platform/grid/export.h"
#include "platform/grid/gridprint.h"
#include "platform/host.h"
#include "platform/messagebox.h"
#include "platform/modal.h"
#include "platform/printjob.h"
#include "platform/progress.h"

#include <QFileDialog>
#include <QPointer>
#include <QStringList>
#include <memory>

namespace platform::grid {

namespace {

// A Save As's progress dialog, which a stop of the grid's work (DBCancel, a closing sheet)
// cancels as the user's Cancel does.
class SaveProgress final : public ExportProgress {
public:
    SaveProgress(long rows, QWidget* over)
        : work_(QStringLiteral("Saving %1 rows...").arg(rows), rows, over) {}
    bool rowsWritten(long done, long) override { return !stopped && work_.step(done); }
    bool stopped = false;

private:
    WorkProgress work_;
};

// A grid in a print job: printed when the job closes, with its rows held meanwhile; a grid
// gone by then prints nothing.
class DataWindowPrintBlock final : public PrintBlock {
public:
    explicit DataWindowPrintBlock(DataWindow& grid) : grid_(&grid) {}

    void print(PrintCanvas& canvas) override {
        if (grid_ == nullptr)
            return;
        DataWindow& grid = *grid_;
        grid.withRowsHeld([&] { GridPrintBlock(grid.rows(), grid.printMarginTop()).print(canvas); },
                          [&canvas] { canvas.stop(); });
    }
    long units() const override { return grid_ != nullptr ? grid_->RowCount() : 0; }

private:
    QPointer<DataWindow> grid_;
};

} // namespace

int saveRowsAs(DataWindow& grid) {
    if (grid.retrieving())
        return -1;
    const QStringList filters = exportFilters();
    // The dialog hangs from a window that outlives it, never from the grid.
    const QPointer<QFileDialog> dialog(new QFileDialog(dialogParent(),
                                                       QStringLiteral("Save Rows As"), QString(),
                                                       filters.join(QStringLiteral(";;"))));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    bool chosen = false;
    QString path;
    QString filter;
    const bool held = grid.withRowsHeld(
        [&] {
            const ModalScope modal;
            chosen = dialog->exec() == QDialog::Accepted;
        },
        [dialog] {
            if (dialog != nullptr)
                dialog->reject();
        });
    if (dialog != nullptr) {
        if (chosen && !dialog->selectedFiles().isEmpty()) {
            path = dialog->selectedFiles().constFirst();
            filter = dialog->selectedNameFilter();
        }
        dialog->deleteLater();
    }
    // A sheet that was asked to close meanwhile writes nothing more.
    if (windowClosing(&grid))
        return -1;
    if (!held || path.isEmpty())
        return -1;
    return saveRowsAs(grid, path, formatForFilter(filter));
}

int saveRowsAs(DataWindow& grid, const QString& path, ExportFormat format) {
    // A file of part of the rows would look like a whole one.
    if (grid.retrieving())
        return -1;
    SaveProgress progress(grid.RowCount(), &grid);
    QString error;
    bool written = false;
    grid.withRowsHeld(
        [&] {
            written = exportRows(grid.rows(), format, path, grid.definition().updateTable, error,
                                 &progress);
        },
        [&progress] { progress.stopped = true; });
    if (!written) {
        if (!error.isEmpty()) // empty: cancelled, and nothing was written
            MessageBox(QStringLiteral("Save As"), error, Icon::StopSign);
        return -1;
    }
    return 1;
}

int PrintDataWindow(PrintJob& job, DataWindow& grid) {
    if (grid.retrieving())
        return -1;
    job.add(std::make_unique<DataWindowPrintBlock>(grid));
    return 1;
}

} // namespace platform::grid
