#include "platform/clock.h"

#include <algorithm>

namespace platform {
namespace {
QString number(int value, qsizetype digits) {
    return QStringLiteral("%1").arg(value, static_cast<int>(digits), 10, QChar(u'0'));
}

qsizetype runLength(const QString& text, qsizetype from) {
    const QChar letter = text.at(from).toLower();
    qsizetype end = from;
    while (end < text.size() && text.at(end).toLower() == letter)
        ++end;
    return end - from;
}
} // namespace

Instant Now() {
    return Instant(QTime::currentTime(), std::chrono::steady_clock::now());
}

long SecondsAfter(const Instant& t1, const Instant& t2) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::seconds>(t2.monotonic() - t1.monotonic()).count());
}

QDateTime Today() {
    return QDateTime::currentDateTime();
}

QString FormatDateTime(const QDateTime& value, const QString& format) {
    const QDate date = value.date();
    const QTime time = value.time();
    QString out;
    bool afterHour = false;
    qsizetype i = 0;
    while (i < format.size()) {
        const char16_t letter = format.at(i).toLower().unicode();
        const qsizetype run = runLength(format, i);
        switch (letter) {
        case u'd':
            i += std::min<qsizetype>(run, 2);
            out += number(date.day(), std::min<qsizetype>(run, 2));
            afterHour = false;
            continue;
        case u'm': {
            const qsizetype width = std::min<qsizetype>(run, 2);
            i += width;
            out += number(afterHour ? time.minute() : date.month(), width);
            afterHour = false;
            continue;
        }
        case u'y':
            if (run >= 4) {
                i += 4;
                out += number(date.year(), 4);
                afterHour = false;
                continue;
            }
            if (run >= 2) {
                i += 2;
                out += number(date.year() % 100, 2);
                afterHour = false;
                continue;
            }
            break;
        case u'h':
            i += std::min<qsizetype>(run, 2);
            out += number(time.hour(), std::min<qsizetype>(run, 2));
            afterHour = true;
            continue;
        case u's':
            i += std::min<qsizetype>(run, 2);
            out += number(time.second(), std::min<qsizetype>(run, 2));
            afterHour = false;
            continue;
        default:
            break;
        }
        // Anything else, separators included, is copied and leaves the hour context alone.
        out += format.at(i);
        ++i;
    }
    return out;
}

} // namespace platform
