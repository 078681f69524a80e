#include "platform/profile.h"

#include "platform/linefile.h"

namespace platform {
namespace {
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Only blanks and tabs: trimmed() would also take other white space that belongs to a value.
QString trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}
} // namespace

QString ProfileString(const QString& file, const QString& section, const QString& key,
                      const QString& defaultValue) {
    const QString wantedSection = trimBlanks(section);
    const QString wantedKey = trimBlanks(key);
    if (wantedKey.isEmpty())
        return defaultValue;

    LineFile reader;
    if (!reader.open(file))
        return defaultValue;

    bool inSection = false;
    QString raw;
    while (reader.read(raw) >= 0) {
        const QString line = trimBlanks(raw);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close > 0) {
                // Once the first matching section has ended, a later one of the same name is
                // not searched.
                if (inSection)
                    return defaultValue;
                inSection =
                    sameName(trimBlanks(QStringView(line).mid(1, close - 1)), wantedSection);
                continue;
            }
        }
        if (!inSection)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        if (sameName(trimBlanks(QStringView(line).left(equals)), wantedKey))
            return trimBlanks(QStringView(line).mid(equals + 1));
    }
    return defaultValue;
}

} // namespace platform
