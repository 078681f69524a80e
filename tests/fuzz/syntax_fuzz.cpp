// The grid syntax reader and writer: whatever reads without errors is written back to a text that
// reads again, without errors, to the same definition, and the windows' scan for column names
// finds every column of it. Also: the select's display form turns back into the select.

#include "fuzz_input.h"

#include "browse/query_grid.h"
#include "platform/grid/syntax.h"

#include <QSet>

using platform::grid::GridDefinition;

namespace {

std::string describe(const GridDefinition& d) {
    std::string out = "select=" + fuzz::shown(d.select) + " update=" + fuzz::shown(d.updateTable) +
                      " external=" + (d.external ? "yes" : "no") + "\n";
    for (const auto& c : d.columns) {
        out += "  name=" + fuzz::shown(c.name) + " label=" + fuzz::shown(c.label) +
               " dbname=" + fuzz::shown(c.dbName) +
               " kind=" + std::to_string(static_cast<int>(c.kind)) +
               " sqltype=" + std::to_string(c.sqlType) + " size=" + std::to_string(c.size) +
               " decimals=" + std::to_string(c.decimals) + " key=" + std::to_string(c.key) +
               " updatable=" + std::to_string(c.updatable) +
               " nullable=" + std::to_string(c.nullable) + "\n";
    }
    return out;
}

bool isBareWord(const QString& name) {
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (!((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
              u == u'_'))
            return false;
    }
    return !name.isEmpty();
}

void checkSyntax(const QString& text) {
    QString errors;
    const GridDefinition first = platform::grid::parseSyntax(text, errors);
    if (!errors.isEmpty()) {
        FUZZ_CHECK(first == GridDefinition{}, "refused text gave " + describe(first));
        return;
    }
    FUZZ_CHECK(!first.columns.empty(), "accepted without columns: " + fuzz::shown(text));
    QSet<QString> names;
    for (const auto& column : first.columns) {
        FUZZ_CHECK(!column.name.isEmpty(), describe(first));
        FUZZ_CHECK(!names.contains(column.name.toLower()), describe(first));
        names.insert(column.name.toLower());
    }

    const QString written = platform::grid::writeSyntax(first);
    QString again;
    const GridDefinition second = platform::grid::parseSyntax(written, again);
    FUZZ_CHECK(again.isEmpty(), fuzz::shown(again) + "\nreading\n" + fuzz::shown(written));
    FUZZ_CHECK(second == first, "read\n" + describe(first) + "wrote\n" + fuzz::shown(written) +
                                    "\nread back\n" + describe(second));
    FUZZ_CHECK(platform::grid::writeSyntax(second) == written, fuzz::shown(written));

    const QStringList scanned = app::columnsOfSyntax(written);
    FUZZ_CHECK(scanned.size() == static_cast<qsizetype>(first.columns.size()),
               std::to_string(scanned.size()) + " names scanned in " + fuzz::shown(written));
    for (std::size_t i = 0; i < first.columns.size(); ++i) {
        const QString& name = first.columns[i].name;
        if (isBareWord(name))
            FUZZ_CHECK(scanned.at(static_cast<qsizetype>(i)) == name,
                       fuzz::shown(scanned.at(static_cast<qsizetype>(i))) + " for " +
                           fuzz::shown(name));
    }
}

void checkDisplay(const QString& select) {
    const QString display = platform::grid::selectForDisplay(select);
    FUZZ_CHECK(platform::grid::selectFromDisplay(display) == select,
               fuzz::shown(select) + " shown as " + fuzz::shown(display));
    FUZZ_CHECK(display.size() == select.size() + select.count(u'"'), fuzz::shown(display));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& text : fuzz::decodings(data, size)) {
        checkSyntax(text);
        checkDisplay(text);
    }
    return 0;
}
