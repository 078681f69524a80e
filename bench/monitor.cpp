#include "workloads.h"

#include "database.h"
#include "loops.h"

#include "app/globals.h"
#include "app/records.h"
#include "multitable/w_monitor.h"
#include "platform/grid/datawindow.h"
#include "platform/odbc/handles.h"
#include "platform/odbc/wide.h"

#include <QCoreApplication>
#include <QLabel>
#include <sqlext.h>
#include <sqlucode.h>
#include <vector>

namespace bench {
namespace {

using platform::odbc::StatementHandle;
using platform::odbc::wide;
using platform::odbc::wideLength;

// The master and the four related tables, each tied to the master by an indexed key.
const QString kMaster = QStringLiteral("DB2INST1.EMPLOYEE");
const QStringList kRelated = {
    QStringLiteral("DB2INST1.EMPLOYEE"), QStringLiteral("DB2INST1.EMP_PHOTO"),
    QStringLiteral("DB2INST1.EMP_RESUME"), QStringLiteral("DB2INST1.EMPPROJACT")};
// Master rows clicked in turn, so that every click refreshes (a click on the highlighted row
// only removes its highlight).
const QStringList kKeys = {QStringLiteral("000130"), QStringLiteral("000140")};

// Describes `sql` as the grid build does before it executes it: prepare, count and describe the
// result columns, then drop the statement.
void describeOnly(SQLHDBC connection, const QString& sql) {
    StatementHandle stmt;
    if (!SQL_SUCCEEDED(StatementHandle::allocate(connection, stmt)))
        failOn(SQL_HANDLE_DBC, connection, sql);
    SQLHSTMT h = stmt.get();
    if (!SQL_SUCCEEDED(SQLPrepareW(h, wide(sql), wideLength(sql))))
        failOn(SQL_HANDLE_STMT, h, sql);
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(h, &count)))
        failOn(SQL_HANDLE_STMT, h, sql);
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        SQLWCHAR name[256];
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT decimals = 0;
        SQLSMALLINT nullable = 0;
        SQLDescribeColW(h, static_cast<SQLUSMALLINT>(i), name, 256, &nameLength, &type, &size,
                        &decimals, &nullable);
    }
}

long masterRow(const app::w_monitor& sheet, const QString& empno) {
    for (long row = 1; row <= sheet.dw_1->RowCount(); ++row) {
        if (sheet.dw_1->GetItemString(row, QStringLiteral("empno")) == empno)
            return row;
    }
    throw BenchError(QStringLiteral("M1: no master row ") + empno);
}

} // namespace

void benchMonitor(const Settings& settings, ReportingMessageBoxes& boxes, Report& report) {
    auto slot = connectSlot(settings, QStringLiteral("SQLCA"));
    app::globals().SQLCA = slot.get();

    app::w_monitor sheet;
    sheet.istr_tables.s_tbl_master = kMaster;
    for (const QString& table : kRelated) {
        sheet.istr_tables.s_tables.append(table);
        sheet.istr_tables.s_relation.append(QStringLiteral("empno = empno"));
    }
    sheet.istr_tables.s_sqlca = QStringLiteral("SQLCA");
    sheet.show();
    sheet.ue_initialize();
    QCoreApplication::processEvents();
    if (const QStringList shown = boxes.take(); !shown.isEmpty())
        throw BenchError(QStringLiteral("M1: ") + shown.join(QStringLiteral("; ")));
    const std::vector<long> rows = {masterRow(sheet, kKeys[0]), masterRow(sheet, kKeys[1])};

    // The click, from the handler's start to its return, which sets the last label.
    std::vector<double> clicks;
    std::vector<double> paintedClicks;
    for (int round = 0; round <= settings.runs * 4; ++round) {
        const long row = rows[static_cast<std::size_t>(round) % rows.size()];
        const auto start = Clock::now();
        sheet.dw_1_clicked(row);
        const auto end = Clock::now();
        // What the user sees: the click and one full paint of the sheet after it.
        sheet.repaint();
        const auto painted = Clock::now();
        QCoreApplication::processEvents();
        if (round > 0)
            paintedClicks.push_back(secondsBetween(start, painted));
        if (const QStringList shown = boxes.take(); !shown.isEmpty())
            throw BenchError(QStringLiteral("M1: ") + shown.join(QStringLiteral("; ")));
        if (sheet.st_5->text().toLong() < 1)
            throw BenchError(QStringLiteral("M1: the last related grid has no rows"));
        if (round > 0)
            clicks.push_back(secondsBetween(start, end));
    }
    // The statements of the last click, and the rows it left in the grids.
    QStringList statements;
    long gridRows = 0;
    for (int n = 2; n <= 5; ++n) {
        statements << sheet.relatedGrid(n)->definition().select;
        gridRows += sheet.relatedGrid(n)->RowCount();
    }

    // The same four statements, described, executed and fetched by the plain loop.
    std::vector<double> loops;
    long long loopRows = 0;
    for (int round = 0; round <= settings.runs * 4; ++round) {
        long long total = 0;
        const auto start = Clock::now();
        for (const QString& sql : statements) {
            describeOnly(slot->handle(), sql);
            total += blockLoop<char16_t>(slot->handle(), sql).rows;
        }
        const auto end = Clock::now();
        if (round > 0)
            loops.push_back(secondsBetween(start, end));
        loopRows = total;
    }
    if (gridRows != loopRows)
        throw BenchError(QStringLiteral("M1: the grids hold %1 rows, the loop read %2")
                             .arg(gridRows)
                             .arg(loopRows));
    slot->Commit();
    app::globals().SQLCA = nullptr;

    say(QStringLiteral("M1 master click, runs (ms): %1").arg(secondsList(clicks, 1000.0, 2)));
    say(QStringLiteral("M1 master click and one paint of the sheet, runs (ms): %1")
            .arg(secondsList(paintedClicks, 1000.0, 2)));
    say(QStringLiteral("M1 plain loop, runs (ms): %1").arg(secondsList(loops, 1000.0, 2)));
    const double click = median(clicks);
    const double loop = median(loops);
    report.add(QStringLiteral("M1 master click refreshing 4 related grids (%1 rows), "
                              "click to last label, median of %2")
                   .arg(gridRows)
                   .arg(clicks.size()),
               ms(click), QStringLiteral("< %1 ms").arg(kM1MaxMs, 0, 'f', 0),
               click * 1000.0 < kM1MaxMs);
    report.add(QStringLiteral("M1 the same click and one full paint of the sheet, median of %1")
                   .arg(paintedClicks.size()),
               ms(median(paintedClicks)));
    report.add(QStringLiteral("M1 the same 4 statements described, executed and fetched by the "
                              "plain ODBC loop, median of %1")
                   .arg(loops.size()),
               ms(loop));
    report.add(QStringLiteral("M1 click over plain loop"), QString::number(click / loop, 'f', 2),
               QStringLiteral("<= %1").arg(kM1MaxRatio, 0, 'f', 2), click / loop <= kM1MaxRatio);
}

} // namespace bench
