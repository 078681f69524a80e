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
        {u"SAMPLE"_qs, u"dorvane"_qs, u"x"_qs, u"DSN=SAMPLE;UID=dorvane;PWD="_qs + mask + u"'"_qs},
        {u"SAMPLE"_qs, u"dorvane"_qs, u"a much longer secret"_qs,
         u"DSN=SAMPLE;UID=dorvane;PWD="_qs + mask + u"'"_qs},
        // Markers inside the password are part of it.
        {u"S"_qs, u"u"_qs, u"p;PWD=q';UID=r"_qs, u"DSN=S;UID=u;PWD="_qs + mask + u"'"_qs},
        // A user ID or data source holding the marker widens the mask, never narrows it.
        {u"S"_qs, u"a;PWD=b"_qs, u"secret"_qs, u"DSN=S;UID=a;PWD="_qs + mask + u"'"_qs},
        {u"x;PWD=y"_qs, u"u"_qs, u"secret"_qs, u"DSN=x;PWD=y;UID=u;PWD="_qs + mask + u"'"_qs},
        {u"a;UID=b;PWD=c"_qs, u"u"_qs, u"secret"_qs, u"DSN=a;UID=b;PWD="_qs + mask + u"'"_qs},
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
