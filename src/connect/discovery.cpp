#include "connect/discovery.h"

namespace app {

QString dataSourceName(const QString& line) {
    const qsizetype equals = line.indexOf(u'=');
    return equals < 0 ? line : line.left(equals);
}

QStringList splitVendors(const QString& value) {
    QStringList items;
    qsizetype start = 0;
    for (qsizetype comma = value.indexOf(u','); comma >= 0; comma = value.indexOf(u',', start)) {
        items.append(value.mid(start, comma - start));
        start = comma + 1;
    }
    items.append(value.mid(start));
    return items;
}

QStringList scanProfiles(const QString& value) {
    QStringList items;
    // `next` is where the current name starts: the first character, then three past the
    // apostrophe that closed the name before (behind the "," and the next opening apostrophe).
    qsizetype next = 0;
    while (next < value.size()) {
        const qsizetype apostrophe = value.indexOf(u'\'', next);
        if (apostrophe < 0)
            break;
        items.append(value.mid(next, apostrophe - next));
        next = apostrophe + 3;
    }
    return items;
}

QStringList localDriveLetters(const QStringList& entries) {
    QStringList letters;
    for (const QString& entry : entries) {
        // From the third character, without the closing "-]".
        const QString letter = entry.size() > 4 ? entry.mid(2, entry.size() - 4) : QString();
        if (letter == u"a" || letter == u"b")
            continue;
        if (letter.size() > 1 || letter > u"e")
            continue;
        letters.append(letter);
    }
    return letters;
}

} // namespace app
