// The table view's queries. The count query rewrite takes out every ~" of the display form and
// replaces each occurrence of the old name, its double quotes taken out, once, left to right
// (QString's own remove and replace are the reference); the display form of any select loses
// exactly its double quotes. The view query starts with "select ", ends with "  WITH UR ", and on a
// server that is not Db2 loses exactly that clause and the blanks before it, whenever the text
// before it is complete.

#include "fuzz_input.h"

#include "browse/view_query.h"
#include "platform/grid/syntax.h"
#include "platform/sql/isolation.h"
#include "platform/sql/sql_text.h"

namespace {

// A name without a creator is replaced only where no letter, digit, '_', '$', '#' or '@' stands
// next to it: worked out here by code points, left to right, each match after the last.
QString wholeNamesReplaced(const QString& text, const QString& old, const QString& with) {
    const QList<uint> t = text.toUcs4();
    const QList<uint> o = old.toUcs4();
    const auto nameChar = [](uint c) {
        return QChar::isLetterOrNumber(c) || c == '_' || c == '$' || c == '#' || c == '@';
    };
    // Built character by character: QString::fromUcs4 would drop a leading U+FEFF.
    QString out;
    const auto append = [&out](uint c) {
        if (QChar::requiresSurrogates(c)) {
            out.append(QChar(QChar::highSurrogate(c)));
            out.append(QChar(QChar::lowSurrogate(c)));
        } else {
            out.append(QChar(static_cast<char16_t>(c)));
        }
    };
    qsizetype i = 0;
    while (i < t.size()) {
        const bool here = i + o.size() <= t.size() && t.mid(i, o.size()) == o &&
                          (i == 0 || !nameChar(t.at(i - 1))) &&
                          (i + o.size() == t.size() || !nameChar(t.at(i + o.size())));
        if (here) {
            out += with;
            i += o.size();
        } else {
            append(t.at(i));
            ++i;
        }
    }
    return out;
}

void checkCountQuery(const QString& select, const QString& oldName, const QString& newName) {
    const QString rewritten = app::rewriteCountQuery(select, oldName, newName);
    QString expected = select;
    expected.remove(QStringLiteral("~\""));
    // The old name is looked for as the display form left it: without its double quotes.
    QString old = oldName;
    old.remove(u'"');
    // Worked out by code points, a bare name's replacement is compared on valid UTF-16 only.
    bool comparable = true;
    if (!old.isEmpty() && old.contains(u'.'))
        expected.replace(old, newName);
    else if (!old.isEmpty() && expected.isValidUtf16() && old.isValidUtf16() &&
             newName.isValidUtf16())
        expected = wholeNamesReplaced(expected, old, newName);
    else if (!old.isEmpty())
        comparable = false;
    FUZZ_CHECK(!comparable || rewritten == expected,
               fuzz::shown(select) + " with " + fuzz::shown(oldName) + " -> " +
                   fuzz::shown(newName) + " gave " + fuzz::shown(rewritten) + ", not " +
                   fuzz::shown(expected));

    // What the grid reports for a statement comes back without its quotes.
    const QString shown = platform::grid::selectForDisplay(select);
    QString unquoted = select;
    unquoted.remove(u'"');
    const QString first = app::rewriteCountQuery(shown, {}, {});
    FUZZ_CHECK(first == unquoted, fuzz::shown(select) + " shown as " + fuzz::shown(shown) +
                                      " gave " + fuzz::shown(first));
}

// True when a word written after `text` is a word of the statement: nothing is left open.
bool isComplete(const QString& text) {
    QString probe = text + QStringLiteral(" probe");
    probe.replace(u'\r', u'\n');
    const auto tokens = platform::sql::lexSql(probe);
    return tokens && !tokens->empty() &&
           tokens->back().kind == platform::sql::SqlToken::Kind::Word &&
           tokens->back().position == probe.size() - 5;
}

void checkViewQuery(const QStringList& parts) {
    const QString sql = app::viewQuery(parts.at(0), parts.at(1), parts.at(2), parts.at(3));
    const QString suffix = QStringLiteral("  WITH UR ");
    FUZZ_CHECK(sql.startsWith(QStringLiteral("select ")), fuzz::shown(sql));
    FUZZ_CHECK(sql.endsWith(suffix), fuzz::shown(sql));
    for (const QString& part : parts)
        FUZZ_CHECK(sql.contains(part), fuzz::shown(part) + " missing in " + fuzz::shown(sql));

    const QString body = sql.chopped(suffix.size());
    if (!isComplete(body))
        return;
    const QString expected = fuzz::withoutTrailingSpace(body);
    const QString stripped = platform::sql::stripIsolationClause(sql);
    FUZZ_CHECK(stripped == expected, fuzz::shown(sql) + " stripped to " + fuzz::shown(stripped));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const QString& text : fuzz::decodings(data, size)) {
        const QStringList parts = fuzz::fields(text, 4);
        checkCountQuery(parts.at(0), parts.at(1), parts.at(2));
        checkViewQuery(parts);
    }
    return 0;
}
