#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>
#include <chrono>

namespace platform {

// A moment as Now() gives it: the time of day for display, and a monotonic reading so that the
// time between two moments stays right across midnight and clock changes.
class Instant {
public:
    using Monotonic = std::chrono::steady_clock::time_point;

    Instant() = default;
    Instant(QTime timeOfDay, Monotonic monotonic) : timeOfDay_(timeOfDay), monotonic_(monotonic) {}

    QTime timeOfDay() const { return timeOfDay_; }
    Monotonic monotonic() const { return monotonic_; }

private:
    QTime timeOfDay_;
    Monotonic monotonic_{};
};

Instant Now();

// Whole seconds from `t1` to `t2` (negative when `t2` is earlier), truncated toward zero.
long SecondsAfter(const Instant& t1, const Instant& t2);

// The current date and time.
QDateTime Today();

// `value` in a display format of the classic runtime: "d"/"dd" day, "m"/"mm" month, "yy"/"yyyy"
// year, "h"/"hh" hour (24-hour), "s"/"ss" seconds; "m"/"mm" that follow an hour code (separators
// between them aside) are minutes. Codes are read without case; other characters are copied.
// FormatDateTime(2026-03-05 14:07, "m/d/yyyy   hh:mm") is "3/5/2026   14:07".
QString FormatDateTime(const QDateTime& value, const QString& format);

} // namespace platform
