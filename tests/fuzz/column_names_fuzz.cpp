// The grid's column names for a result: each is non-empty and made only of a-z, 0-9 and '_', the
// names of one result are unique (also without case), one result column gives one name, the
// same result gives the same names, and a name that was unique already is kept as it is.

#include "fuzz_input.h"

#include "platform/grid/syntax.h"

#include <QHash>
#include <QSet>

namespace {

bool isNameChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'_';
}

void checkNames(const QStringList& results) {
    const std::vector<QString> names = platform::grid::columnNames(results);
    FUZZ_CHECK(names.size() == static_cast<std::size_t>(results.size()),
               std::to_string(names.size()) + " names for " + std::to_string(results.size()));
    FUZZ_CHECK(platform::grid::columnNames(results) == names, "second call differs");

    QSet<QString> seen;
    QHash<QString, int> ownCount;
    for (qsizetype i = 0; i < results.size(); ++i)
        ++ownCount[platform::grid::columnNameFor(results.at(i), static_cast<int>(i) + 1)];
    for (qsizetype i = 0; i < results.size(); ++i) {
        const QString& name = names[static_cast<std::size_t>(i)];
        FUZZ_CHECK(!name.isEmpty(), "empty name for " + fuzz::shown(results.at(i)));
        FUZZ_CHECK(std::all_of(name.begin(), name.end(), isNameChar),
                   fuzz::shown(name) + " for " + fuzz::shown(results.at(i)));
        FUZZ_CHECK(!seen.contains(name), "repeated " + fuzz::shown(name));
        seen.insert(name);

        const QString single =
            platform::grid::columnNameFor(results.at(i), static_cast<int>(i) + 1);
        FUZZ_CHECK(single == platform::grid::columnNameFor(results.at(i), static_cast<int>(i) + 1),
                   fuzz::shown(single));
        // A name is its own unless an earlier column took it; then it is the own name plus a
        // number. A suffixed name never takes another column's own name, so an own name that no
        // other column has is kept.
        FUZZ_CHECK(name == single || name.startsWith(single + u'_'),
                   fuzz::shown(name) + " from " + fuzz::shown(single));
        if (ownCount.value(single) == 1)
            FUZZ_CHECK(name == single, fuzz::shown(name) + " from " + fuzz::shown(single));
    }
}

void checkOne(const QString& result) {
    const QString name = platform::grid::columnNameFor(result, 7);
    FUZZ_CHECK(!name.isEmpty() && std::all_of(name.begin(), name.end(), isNameChar),
               fuzz::shown(name) + " for " + fuzz::shown(result));
    if (!result.isEmpty()) {
        // One character, one character of the name (a surrogate pair is one character).
        qsizetype characters = 0;
        for (qsizetype i = 0; i < result.size(); ++i) {
            if (result.at(i).isHighSurrogate() && i + 1 < result.size() &&
                result.at(i + 1).isLowSurrogate())
                ++i;
            ++characters;
        }
        FUZZ_CHECK(name.size() <= characters || result.toLower().size() != result.size(),
                   fuzz::shown(name) + " for " + fuzz::shown(result));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& text : fuzz::decodings(data, size)) {
        checkOne(text);
        // One result name a line; several lines make a result with several columns.
        checkNames(text.split(u'\n'));
    }
    return 0;
}
