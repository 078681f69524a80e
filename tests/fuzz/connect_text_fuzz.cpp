// The connect text "DSN=d;UID=u;PWD=p'": the chooser's mask hides every character of the
// password that the connection would use, and only those and what follows them; a text the logon
// writes splits back into the data source, user ID and password it was made of, for the chooser
// and for the connection alike.

#include "fuzz_input.h"

#include "connect/connect_text.h"
#include "platform/odbc/dialect.h"

namespace {

const QString mask = app::passwordMask();

// The masked text is a prefix of the connect text, the mask, and at most the closing apostrophe.
qsizetype shownPrefix(const QString& dbparm, const QString& masked) {
    if (masked == dbparm)
        return dbparm.size();
    const bool closed = masked.endsWith(mask + u'\'');
    FUZZ_CHECK(closed || masked.endsWith(mask), fuzz::shown(masked));
    const qsizetype prefix = masked.size() - mask.size() - (closed ? 1 : 0);
    FUZZ_CHECK(dbparm.startsWith(masked.left(prefix)),
               fuzz::shown(dbparm) + " masked as " + fuzz::shown(masked));
    FUZZ_CHECK(!closed || dbparm.endsWith(u'\''), fuzz::shown(masked));
    return prefix;
}

void checkAny(const QString& dbparm) {
    const QString masked = app::maskedConnectText(dbparm);
    const qsizetype prefix = shownPrefix(dbparm, masked);

    // Where the connection takes the password from: none of it may be on screen.
    if (const auto parts = platform::odbc::parseConnectText(dbparm);
        parts && !parts->pwd.isEmpty()) {
        const qsizetype uid = dbparm.indexOf(QStringLiteral(";UID="), 4);
        const qsizetype pwd = dbparm.indexOf(QStringLiteral(";PWD="), uid + 5) + 5;
        FUZZ_CHECK(dbparm.mid(pwd, parts->pwd.size()) == parts->pwd, fuzz::shown(dbparm));
        FUZZ_CHECK(prefix <= pwd, fuzz::shown(dbparm) + " masked as " + fuzz::shown(masked));
    }
    // A text with a "PWD=" of any case is always masked.
    if (dbparm.contains(QStringLiteral("PWD="), Qt::CaseInsensitive))
        FUZZ_CHECK(masked != dbparm, fuzz::shown(dbparm));

    // The chooser's columns are pieces of the text.
    FUZZ_CHECK(dbparm.contains(app::dsnOfConnectText(dbparm)), fuzz::shown(dbparm));
    FUZZ_CHECK(dbparm.contains(app::uidOfConnectText(dbparm)), fuzz::shown(dbparm));
}

void checkWritten(const QString& dsn, const QString& uid, const QString& pwd) {
    // The logon's own text: a data source without ";UID=", a user ID without ";PWD=".
    if (dsn.contains(QStringLiteral(";UID=")) || uid.contains(QStringLiteral(";PWD=")))
        return;
    const QString dbparm = QStringLiteral("DSN=") + dsn + QStringLiteral(";UID=") + uid +
                           QStringLiteral(";PWD=") + pwd + u'\'';

    const auto parts = platform::odbc::parseConnectText(dbparm);
    FUZZ_CHECK(parts && parts->dsn == dsn && parts->uid == uid && parts->pwd == pwd,
               fuzz::shown(dbparm));

    FUZZ_CHECK(app::dsnOfConnectText(dbparm) == dsn, fuzz::shown(dbparm));
    // A data source that holds "UID=" or ";PWD=" lends the user ID column its tail, as designed.
    if (!dsn.contains(QStringLiteral("UID=")) && !dsn.contains(QStringLiteral(";PWD=")))
        FUZZ_CHECK(app::uidOfConnectText(dbparm) == uid, fuzz::shown(dbparm));

    const QString masked = app::maskedConnectText(dbparm);
    const QString expected = QStringLiteral("DSN=") + dsn + QStringLiteral(";UID=") + uid +
                             QStringLiteral(";PWD=") + mask + u'\'';
    FUZZ_CHECK(masked == expected, fuzz::shown(dbparm) + " masked as " + fuzz::shown(masked));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& text : fuzz::decodings(data, size)) {
        checkAny(text);
        const QStringList parts = fuzz::fields(text, 3);
        checkWritten(parts.at(0), parts.at(1), parts.at(2));
    }
    return 0;
}
