#include "connect/logon_driver.h"
#include "connect/logon_rules.h"

#include <gtest/gtest.h>

using namespace app;

// A connect cannot be made to answer 100 or a positive code, so the judgement is tested alone.
TEST(ConnectOutcome, NegativeIsConnectionFailedHundredIsNotFoundAnyOtherClosesNormally) {
    EXPECT_EQ(connectFailureText(-1), QStringLiteral("Connection failed"));
    EXPECT_EQ(connectFailureText(-30081), QStringLiteral("Connection failed"));
    EXPECT_EQ(connectFailureText(100), QStringLiteral("Not found"));
    for (long code : {0L, 1L, 99L, 101L, 32767L})
        EXPECT_TRUE(connectFailureText(code).isEmpty()) << code;
}

TEST(ConnectOutcome, ConnectTextKeepsEveryEntryExactlyAsTyped) {
    EXPECT_EQ(composeConnectText(QString(), QStringLiteral(" u "), QStringLiteral("p;w=d'")),
              QStringLiteral("DSN=;UID= u ;PWD=p;w=d''"));
}

TEST(SlotChoice, AnyDbmsTextMarksASlotInUseAndAMissingSlotTakesNothing) {
    testsupport::GlobalSlots slots;
    slots[0].DBMS = QStringLiteral(" ");
    slots[2].DBMS = QStringLiteral("ODBC");
    EXPECT_EQ(firstFreeSlot(), QStringLiteral("SQLCA1"));
    globals().SQLCA1 = nullptr;
    EXPECT_EQ(firstFreeSlot(), QStringLiteral("SQLCA3"));
    globals().SQLCA3 = nullptr;
    EXPECT_TRUE(firstFreeSlot().isEmpty());
}
