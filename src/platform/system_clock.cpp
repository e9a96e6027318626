#include "platform/system_clock.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace pelora {

LocalDateTime SystemClock::localNow() const {
    // One reading, so that the date and the time of day never straddle midnight.
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    LocalDateTime reading;
    reading.year = date.year();
    reading.month = date.month();
    reading.day = date.day();
    reading.hour = time.hour();
    reading.minute = time.minute();
    reading.second = time.second();
    return reading;
}

std::chrono::milliseconds SystemClock::monotonicNow() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

}  // namespace pelora
