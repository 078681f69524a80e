#pragma once

// The workloads; bench/README.md says what each measures.

#include "harness.h"
#include "measure.h"

#include "platform/odbc/transaction.h"

#include <optional>

namespace bench {

struct W1Outcome {
    // Median of the shown grid over the faster of the plain loops' medians.
    std::optional<double> ratioToBestLoop;
    // Median of QSqlQuery over the shown grid's median.
    std::optional<double> speedUpOverQt;
    // The process's processor time (all threads) of the shown grid over that of the SQL_C_CHAR
    // loop, round by round: the median of the rounds and the largest.
    std::optional<double> cpuRatio;
    std::optional<double> cpuRatioWorstRound;
};

// W1: 1,000,000 rows into the grid, against the plain ODBC loop and QSqlQuery.
W1Outcome benchW1(const Settings& settings, platform::Transaction& slot,
                  ReportingMessageBoxes& boxes, GridBench& bench, Report& report);
// W4: the first five rows of 10,000,000.
void benchW4(const Settings& settings, GridBench& bench, Report& report);
// W5: stopping a fetch and cancelling a statement that the server executes.
void benchW5(const Settings& settings, GridBench& bench, Report& report);

// M1: a master click of the linked view that refreshes four related grids, against the same
// statements run by the plain ODBC loop.
void benchMonitor(const Settings& settings, ReportingMessageBoxes& boxes, Report& report);

// L1: four SQL workspaces, each on its own connection, retrieving the W1 table at once, against
// one retrieving alone: every result checked against a plain ODBC read, the longest event-loop
// stall and the peak resident memory.
void benchLoad(const Settings& settings, ReportingMessageBoxes& boxes, Report& report);

struct SaveAsOutcome {
    // Median Excel Save As over the median of the plain libxlsxwriter loop.
    std::optional<double> excelRatio;
};

// E1: Save As of the W1 rows held in the grid, as CSV and as Excel, against a plain buffered
// write loop that writes the same CSV bytes from the same rows, and a plain libxlsxwriter loop
// that writes the same cells.
SaveAsOutcome benchSaveAs(const Settings& settings, GridBench& bench, ReportingMessageBoxes& boxes,
                          Report& report);

struct U1Outcome {
    // Median Save time with the guarded WHERE clause over that with the key alone.
    std::optional<double> ratioToKeyOnly;
};

// U1: a Save of 1,000 edited rows, with UPDATEs that compare the cells they set with what was
// read, against the same UPDATEs comparing the key alone, both run as the grid runs them.
U1Outcome benchSaveGuard(const Settings& settings, platform::Transaction& slot, GridBench& bench,
                         ReportingMessageBoxes& boxes, Report& report);

struct StartupOutcome {
    // Median start-up time of the program over that of the minimal Qt Widgets program.
    std::optional<double> ratioToMinimal;
};

// S1: the program's start-up to its logon window, against a minimal Qt Widgets program that
// shows one dialog. Needs no database.
StartupOutcome benchStartup(Report& report);

struct SortOutcome {
    // Median heading sort over the median std::stable_sort of the decoded keys.
    std::optional<double> textRatio;
    std::optional<double> numberRatio;
    std::optional<double> longestStallMs;
};

// T1: the W1 rows sorted by a heading click, by a text and a number column, against
// std::stable_sort of the same keys decoded beforehand.
SortOutcome benchSort(const Settings& settings, GridBench& bench, Report& report);

struct ScriptOutcome {
    // Median time of the workspace's script over that of the plain loop.
    std::optional<double> ratio;
};

// X1: a script of 1,000 single-row INSERTs run by a SQL workspace, against a plain ODBC loop
// executing the same statements.
ScriptOutcome benchScript(const Settings& settings, ReportingMessageBoxes& boxes, Report& report);

} // namespace bench
