#include "connect/connect_text.h"
#include "connect/logon_rules.h"

#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

using namespace app;

TEST(ChooserConnectText, DataSourceAndUserComeBackByTheLogonsMarkers) {
    const QString text = composeConnectText(QStringLiteral("SAMPLE"), QStringLiteral("dorvane"),
                                            QStringLiteral("p;w=d'}{\u00fc"));
    EXPECT_EQ(dsnOfConnectText(text), QStringLiteral("SAMPLE"));
    EXPECT_EQ(uidOfConnectText(text), QStringLiteral("dorvane"));
    // The user ID is read from the first "UID=": a data source named so lends it its tail.
    const QString xuid =
        composeConnectText(QStringLiteral("XUID=1"), QStringLiteral("u"), QStringLiteral("p"));
    EXPECT_EQ(dsnOfConnectText(xuid), QStringLiteral("XUID=1"));
    EXPECT_EQ(uidOfConnectText(xuid), QStringLiteral("1;UID=u"));
    EXPECT_EQ(dsnOfConnectText(composeConnectText({}, {}, {})), QString());
    EXPECT_EQ(uidOfConnectText(QStringLiteral("no markers")), QString());
}

TEST(ChooserConnectText, ThePasswordAndItsLengthNeverShow) {
    struct Case {
        QString dsn, uid, pwd, shown;
    };
    const QString mask = passwordMask();
    const Case cases[] = {
        {QStringLiteral("SAMPLE"), QStringLiteral("dorvane"), QStringLiteral("x"),
         QStringLiteral("DSN=SAMPLE;UID=dorvane;PWD=") + mask + QStringLiteral("'")},
        {QStringLiteral("SAMPLE"), QStringLiteral("dorvane"),
         QStringLiteral("a much longer secret"),
         QStringLiteral("DSN=SAMPLE;UID=dorvane;PWD=") + mask + QStringLiteral("'")},
        // Markers inside the password are part of it.
        {QStringLiteral("S"), QStringLiteral("u"), QStringLiteral("p;PWD=q';UID=r"),
         QStringLiteral("DSN=S;UID=u;PWD=") + mask + QStringLiteral("'")},
        // A user ID or data source holding the marker widens the mask, never narrows it.
        {QStringLiteral("S"), QStringLiteral("a;PWD=b"), QStringLiteral("secret"),
         QStringLiteral("DSN=S;UID=a;PWD=") + mask + QStringLiteral("'")},
        {QStringLiteral("x;PWD=y"), QStringLiteral("u"), QStringLiteral("secret"),
         QStringLiteral("DSN=x;PWD=y;UID=u;PWD=") + mask + QStringLiteral("'")},
        {QStringLiteral("a;UID=b;PWD=c"), QStringLiteral("u"), QStringLiteral("secret"),
         QStringLiteral("DSN=a;UID=b;PWD=") + mask + QStringLiteral("'")},
    };
    for (const Case& c : cases) {
        const QString shown = maskedConnectText(composeConnectText(c.dsn, c.uid, c.pwd));
        EXPECT_EQ(shown, c.shown) << c.pwd.toStdString();
        EXPECT_FALSE(shown.contains(c.pwd)) << c.pwd.toStdString();
    }
    EXPECT_EQ(maskedConnectText(QStringLiteral("Driver=x;pwd=secret")),
              QStringLiteral("Driver=x;pwd=") + mask);
    EXPECT_EQ(maskedConnectText(QStringLiteral("DSN=x")), QStringLiteral("DSN=x"));
}
