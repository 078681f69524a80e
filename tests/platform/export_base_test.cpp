#include "platform/grid/export_base.h"

#include <gtest/gtest.h>

using platform::grid::exporting::isJsonNumber;
using platform::grid::exporting::isSqlNumber;

// A cell that passes is written bare: JSON's grammar is stricter than SQL's, and a text that
// passes wrongly makes the whole file unreadable.
TEST(ExportNumberRules, JsonTakesOnlyItsOwnGrammar) {
    for (const char16_t* number : {u"0", u"-0", u"7", u"-12.50", u"1e5", u"2E-3", u"0.5e+10"})
        EXPECT_TRUE(isJsonNumber(number)) << QString::fromUtf16(number).toStdString();
    for (const char16_t* text : {u"", u"-", u"+1", u"01", u"1.", u".5", u"1e", u"1e+", u"NaN",
                                 u"-Infinity", u"1 ", u"0x1F", u"1.5.2"})
        EXPECT_FALSE(isJsonNumber(text)) << QString::fromUtf16(text).toStdString();
}

TEST(ExportNumberRules, SqlTakesNumericLiterals) {
    for (const char16_t* number : {u"0", u"+3", u"-0.75", u"1.", u".5", u"01", u"1E10", u"-.5e-3"})
        EXPECT_TRUE(isSqlNumber(number)) << QString::fromUtf16(number).toStdString();
    for (const char16_t* text : {u"", u"-", u".", u"+.", u"1e", u"e5", u"NaN", u"-Infinity", u"1,5",
                                 u"1 ", u"1.5.2", u"0x1F"})
        EXPECT_FALSE(isSqlNumber(text)) << QString::fromUtf16(text).toStdString();
}
