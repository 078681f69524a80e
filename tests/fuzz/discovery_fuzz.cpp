// The discovery parsers. A data-source name is the line up to its first "=". The vendors split
// at every comma and join back to the value. The profile names of a value the profile reader
// writes ('a','b','c') come back as written, and no name ever holds an apostrophe. The drive
// letters are one letter or none each, never a floppy, never past "e", in the entries' order.

#include "fuzz_input.h"

#include "connect/discovery.h"

namespace {

void checkDataSource(const QString& line) {
    const QString name = app::dataSourceName(line);
    FUZZ_CHECK(line.startsWith(name) && !name.contains(u'='), fuzz::shown(line));
    FUZZ_CHECK(name.size() == line.size() || line.at(name.size()) == u'=', fuzz::shown(line));
}

void checkVendors(const QString& value) {
    const QStringList items = app::splitVendors(value);
    FUZZ_CHECK(items.join(u',') == value, fuzz::shown(value));
    FUZZ_CHECK(items.size() == value.count(u',') + 1, fuzz::shown(value));
}

void checkProfiles(const QString& value) {
    const QStringList items = app::scanProfiles(value);
    FUZZ_CHECK(items.size() <= value.count(u'\''), fuzz::shown(value));
    for (const QString& item : items)
        FUZZ_CHECK(!item.contains(u'\'') && value.contains(item), fuzz::shown(value));

    // Names as the profile reader gives them: each closed by an apostrophe, the next opened
    // behind a comma and an apostrophe.
    QStringList names = value.split(QChar(1));
    for (QString& name : names)
        name.remove(u'\'');
    const QString written = names.join(QStringLiteral("','")) + u'\'';
    const QStringList read = app::scanProfiles(written);
    FUZZ_CHECK(read == names, fuzz::shown(written));
}

// The text between "[-" and "-]" of a drive entry, or nothing for a shorter entry.
QString inner(const QString& entry) {
    return entry.size() > 4 ? entry.mid(2, entry.size() - 4) : QString();
}

void checkDrives(const QStringList& entries) {
    const QStringList letters = app::localDriveLetters(entries);
    FUZZ_CHECK(letters.size() <= entries.size(), "more letters than entries");
    qsizetype next = 0;
    for (const QString& letter : letters) {
        FUZZ_CHECK(letter.size() <= 1 && letter != u"a" && letter != u"b" && letter <= u"e",
                   fuzz::shown(letter));
        // Taken from an entry after the one the last letter came from.
        qsizetype from = next;
        while (from < entries.size() && inner(entries.at(from)) != letter)
            ++from;
        FUZZ_CHECK(from < entries.size(), fuzz::shown(letter) + " comes from no entry");
        next = from + 1;
    }
    // A drive entry as the list box writes it gives its letter.
    for (const QString& entry : entries) {
        if (entry.size() == 1 && entry >= u"c" && entry <= u"e") {
            const QString drive = QStringLiteral("[-") + entry + QStringLiteral("-]");
            FUZZ_CHECK(app::localDriveLetters({drive}) == QStringList{entry}, fuzz::shown(drive));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& text : fuzz::decodings(data, size)) {
        checkDataSource(text);
        checkVendors(text);
        checkProfiles(text);
        checkDrives(text.split(u'\n'));
    }
    return 0;
}
