#include "sqlpad/completion.h"

#include <gtest/gtest.h>

using app::CompletionRequest;
using Kind = CompletionRequest::Kind;

namespace {

platform::odbc::Catalog catalog() {
    return {{QStringLiteral("SALES"),
             QStringLiteral("ORDERS"),
             {QStringLiteral("ID"), QStringLiteral("CUSTOMER"), QStringLiteral("Order Date")}},
            {QStringLiteral("SALES"),
             QStringLiteral("CUSTOMERS"),
             {QStringLiteral("ID"), QStringLiteral("NAME")}},
            {QStringLiteral("HR"), QStringLiteral("ORDERS"), {QStringLiteral("CLERK")}}};
}

// Names as a list, from one text with the names separated by '|'.
QStringList names(const char* list) {
    return QString::fromLatin1(list).split(u'|');
}

QStringList offered(const QString& text) {
    return app::completions(catalog(), app::completionRequest(text), app::referencedTables(text));
}

} // namespace

TEST(Completion, WhatIsOfferedDependsOnTheClauseBeingTyped) {
    EXPECT_EQ(offered(QStringLiteral("select * from ord")), names("ORDERS"));
    EXPECT_EQ(offered(QStringLiteral("select * from sales.")), names("CUSTOMERS|ORDERS"));
    EXPECT_EQ(offered(QStringLiteral("select * from h")), names("HR"));
    // Columns of every table of the statement, also of a list and a join, by alias.
    EXPECT_EQ(offered(QStringLiteral("select * from sales.orders o, sales.customers c where n")),
              names("NAME"));
    EXPECT_EQ(offered(QStringLiteral("select o.c from sales.orders as o join hr.orders h on h.c")),
              names("CLERK"));
    EXPECT_EQ(offered(QStringLiteral("select * from sales.orders x where x.")),
              names("\"Order Date\"|CUSTOMER|ID"));
    EXPECT_EQ(offered(QStringLiteral("select * from sales.orders where id = 1 order by cu")),
              names("CUSTOMER"));
}

TEST(Completion, NothingIsOfferedInLiteralsCommentsNumbersOrBeforeALetterIsTyped) {
    for (const char* text : {"select * from sales.orders where customer = 'cu",
                             "select * from sales.orders -- ord", "select * from \"ord",
                             "select * from sales.orders where id = 1", "select * from ", "sel"}) {
        EXPECT_TRUE(offered(QString::fromLatin1(text)).isEmpty()) << text;
    }
}
