#pragma once

// The grid under measurement: a DataWindow with a stall probe, a paint counter and message boxes
// that answer themselves.

#include "measure.h"

#include "platform/grid/datawindow.h"
#include "platform/messagebox.h"
#include "platform/odbc/transaction.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace bench {

// Answers every message box with its default button, and keeps the texts, so that an error the
// grid reports shows up in the results instead of waiting for a click.
class ReportingMessageBoxes final : public platform::MessageBoxService {
public:
    ReportingMessageBoxes();
    ~ReportingMessageBoxes() override;
    ReportingMessageBoxes(const ReportingMessageBoxes&) = delete;
    ReportingMessageBoxes& operator=(const ReportingMessageBoxes&) = delete;

    int ask(const platform::MessageBoxRequest& request) override;
    // The texts shown since the last call.
    QStringList take();

private:
    platform::MessageBoxService* previous_;
    QStringList texts_;
};

// Ticks of the stall probe: a gap it reports may be up to this much longer than the stall itself.
// Every tick costs the user-interface thread a wake-up and two clock readings, which count in
// the grid's processor time; at 1 ms they came to a few per cent of it.
constexpr int kStallProbeMs = 5;

// A timer ticking every kStallProbeMs that records the longest gap between its ticks: how long
// the event loop was kept from handling input.
class StallProbe {
public:
    StallProbe();
    void start();
    // The gap up to now counts too: what a caller did after its last tick.
    double stopMs();
    // Where the longest gap ended, from start().
    double longestEndSeconds() const { return secondsBetween(start_, longestEnd_); }
    // The processor time that this thread used during the longest gap: close to the gap when
    // the thread was busy, far below it when the thread was waiting (for a processor, say).
    double longestCpuMs() const { return longestCpuMs_; }

private:
    void tick();

    QTimer timer_;
    Clock::time_point start_;
    Clock::time_point last_;
    Clock::time_point longestEnd_;
    Clock::duration longest_{};
    double lastCpuMs_ = 0;
    double longestCpuMs_ = 0;
};

struct GridRun {
    double seconds = 0;
    long rows = 0;
    long handlerCalls = 0;
    double stallMs = 0;
    double stallEndSeconds = 0;
    // Paint events of the grid's cell area during the call.
    long paints = 0;
    // Time to handle what the retrieval left queued (view updates), after Retrieve returned.
    double afterSeconds = 0;
};

// Counts the paint events of one widget.
class PaintCounter : public QObject {
public:
    long count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class GridBench {
public:
    // A visible grid is shown (offscreen) and paints as it would on a screen.
    GridBench(platform::Transaction& slot, ReportingMessageBoxes& boxes, bool visible = true);

    platform::grid::DataWindow& grid() { return grid_; }

    void build(const QString& sql);
    // Drops the rows of the last retrieval, outside any timing.
    void clear();
    // Retrieves with `handler` as RetrieveRow; the probe runs for the whole call.
    GridRun retrieve(std::function<long(long)> handler);
    // What painting the visible cells once costs: the median of `times` repaints.
    double paintSeconds(int times);

private:
    platform::Transaction& slot_;
    ReportingMessageBoxes& boxes_;
    platform::grid::DataWindow grid_;
    StallProbe probe_;
    PaintCounter paints_;
};

} // namespace bench
