#include "platform/system_clock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace pelora {

namespace {

// One reading, so that the date and the time of day never straddle midnight.
DateTime reading(const QDateTime& now) {
    const QDate date = now.date();
    const QTime time = now.time();
    DateTime result;
    result.year = date.year();
    result.month = date.month();
    result.day = date.day();
    result.hour = time.hour();
    result.minute = time.minute();
    result.second = time.second();
    return result;
}

}  // namespace

DateTime SystemClock::localNow() const {
    return reading(QDateTime::currentDateTime());
}

DateTime SystemClock::utcNow() const {
    return reading(QDateTime::currentDateTimeUtc());
}

std::chrono::milliseconds SystemClock::monotonicNow() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace pelora
