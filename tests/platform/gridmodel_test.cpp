// The rows' busy state, without a window: a hold refuses every change of the rows while it
// lives, cannot be taken twice, and gives the rows back by itself however its work ends.

#include "platform/grid/gridmodel.h"
#include "platform/odbc/transaction.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using platform::grid::ColumnInfo;
using platform::grid::GridDefinition;
using platform::grid::GridModel;
using platform::grid::RowsState;

GridDefinition twoColumns() {
    GridDefinition def;
    for (const char* name : {"id", "name"}) {
        ColumnInfo column;
        column.name = QString::fromLatin1(name);
        column.updatable = true;
        def.columns.push_back(column);
    }
    def.columns.front().key = true;
    def.updateTable = QStringLiteral("people");
    return def;
}

TEST(GridRowsState, AHoldRefusesEveryChangeAndGivesTheRowsBackOnceHoweverItsWorkEnds) {
    GridModel model;
    ASSERT_TRUE(model.setDefinition(twoColumns()));
    ASSERT_EQ(model.insertRowBefore(-1), 0);
    ASSERT_TRUE(model.setItem(0, 1, QStringLiteral("kept")));
    QSignalSpy idle(&model, &GridModel::idle);
    int stops = 0;
    const int owner = 0;
    try {
        const GridModel::Hold hold = model.hold(&owner, [&stops] { ++stops; });
        ASSERT_TRUE(hold);
        EXPECT_EQ(model.state(), RowsState::Held);
        EXPECT_TRUE(model.busyWith(&owner));
        EXPECT_FALSE(model.hold(nullptr, {})) << "a second hold while the rows are held";
        EXPECT_FALSE(model.setDefinition(twoColumns()));
        EXPECT_FALSE(model.clear());
        EXPECT_EQ(model.insertRowBefore(-1), -1);
        EXPECT_FALSE(model.deleteRow(0));
        EXPECT_FALSE(model.setItem(0, 1, QStringLiteral("lost")));
        EXPECT_FALSE(model.sortRows({{1, false}}));
        EXPECT_FALSE(model.acceptSaved({}));
        EXPECT_FALSE(model.setData(model.index(0, 1), QStringLiteral("typed"), Qt::EditRole));
        EXPECT_FALSE(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);
        model.stopWork();
        EXPECT_EQ(stops, 1);
        EXPECT_EQ(idle.count(), 0);
        throw std::runtime_error("the work failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(model.state(), RowsState::Idle);
    EXPECT_EQ(idle.count(), 1);
    EXPECT_EQ(model.rows().rowCount(), 1);
    EXPECT_EQ(model.rows().text(0, 1), QStringLiteral("kept"));
    model.stopWork();
    EXPECT_EQ(stops, 1) << "an idle model has no work to stop";
    EXPECT_TRUE(model.setData(model.index(0, 1), QStringLiteral("typed"), Qt::EditRole));
    EXPECT_EQ(model.rows().text(0, 1), QStringLiteral("typed"));
    EXPECT_TRUE(model.hold(&owner, {}));
}

TEST(GridRowsState, ARetrievalsClaimOnItsConnectionEndsExactlyOnceWhereverItGoes) {
    platform::Transaction slot;
    {
        auto claim = slot.claimForRetrieval();
        auto moved = std::move(claim);
        EXPECT_TRUE(slot.retrieving());
        platform::Transaction::RetrievalClaim other = slot.claimForRetrieval();
        other = std::move(moved); // the claim it held ends, the moved one lives on
        EXPECT_TRUE(slot.retrieving());
        other.release();
        EXPECT_FALSE(slot.retrieving());
        other.release();
    }
    EXPECT_FALSE(slot.retrieving());
    // A claim released twice, or moved from, took nothing more: a new one counts.
    const auto next = slot.claimForRetrieval();
    EXPECT_TRUE(slot.retrieving());
}

} // namespace
