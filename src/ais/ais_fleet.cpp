#include "ais/ais_fleet.h"

#include <algorithm>
#include <cmath>

#include "ais/report_interval.h"

namespace pelora {

namespace {

using std::chrono::milliseconds;

// Every target makes its first position report within this time of its start (or within its
// interval, if that is shorter), so that targets show up at once.
constexpr milliseconds kFirstPositionWindow = std::chrono::seconds(10);
// First static reports spread over half a second per target, at least 10 s and at most the
// static interval: a large fleet does not send a burst of two-sentence messages at its start.
constexpr milliseconds kStaticSpreadPerTarget{500};
constexpr milliseconds kShortestStaticWindow = std::chrono::seconds(10);
// Offsets within a window follow the target's place in the fleet along two evenly spreading
// (Weyl) sequences, the golden ratio's and the silver ratio's fractional parts: however many
// targets there are, each new offset falls into one of the widest gaps the others left, so
// targets with the same interval keep evenly spaced reports for ever.
constexpr double kPositionStep = 0.6180339887498949;
constexpr double kStaticStep = 0.4142135623730950;

milliseconds offsetWithin(std::size_t place, double step, milliseconds window) {
    const double fraction = std::fmod(static_cast<double>(place + 1) * step, 1.0);
    return milliseconds(static_cast<milliseconds::rep>(fraction * static_cast<double>(window.count())));
}

int utcSecondOf(AisTime now) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(now).time_since_epoch().count();
    return static_cast<int>(((seconds % 60) + 60) % 60);
}

}  // namespace

std::optional<std::string> AisFleet::add(const AisTarget& target) {
    if (auto problem = checkTarget(target)) return problem;
    for (const Entry& entry : m_entries) {
        if (entry.target.mmsi == target.mmsi) {
            return "MMSI " + std::to_string(target.mmsi) + ": already the MMSI of target \"" + entry.target.name + "\"";
        }
    }
    m_entries.emplace_back(target);
    return std::nullopt;
}

void AisFleet::start(Entry& entry, std::size_t place, AisTime now) const {
    const milliseconds interval = positionReportInterval(entry.target.aisClass, entry.motion.speedKnots(),
                                                         entry.motion.rateOfTurnDegPerMin(), entry.target.status);
    entry.positionDue = now + offsetWithin(place, kPositionStep, std::min(interval, kFirstPositionWindow));
    entry.lastReport.reset();
    const milliseconds staticWindow =
        std::clamp(kStaticSpreadPerTarget * static_cast<milliseconds::rep>(m_entries.size()), kShortestStaticWindow,
                   kStaticDataInterval);
    entry.staticDue = now + offsetWithin(place, kStaticStep, staticWindow);
    entry.started = true;
}

std::vector<std::string> AisFleet::tick(AisTime now) {
    const bool wentBack = m_lastTick && now < *m_lastTick;
    const milliseconds elapsed = m_lastTick && !wentBack ? now - *m_lastTick : milliseconds::zero();
    m_lastTick = now;

    std::vector<std::string> lines;
    for (std::size_t place = 0; place < m_entries.size(); ++place) {
        Entry& entry = m_entries[place];
        if (!entry.started || wentBack) {
            start(entry, place, now);
        } else {
            entry.motion.advance(elapsed);
        }
        reportPosition(entry, now, lines);
        reportStatic(entry, now, lines);
    }
    return lines;
}

PositionReport AisFleet::reportOf(const Entry& entry, AisTime now) const {
    PositionReport report;
    report.mmsi = entry.target.mmsi;
    report.status = entry.target.status;
    report.rateOfTurnDegPerMin = entry.motion.rateOfTurnDegPerMin();
    report.speedKnots = entry.motion.speedKnots();
    report.lat = entry.motion.lat();
    report.lon = entry.motion.lon();
    report.courseDeg = entry.motion.courseDeg();
    report.headingDeg = entry.motion.headingDeg();
    report.utcSecond = utcSecondOf(now);
    return report;
}

void AisFleet::reportPosition(Entry& entry, AisTime now, std::vector<std::string>& lines) {
    // The interval follows the target's present motion, so that a target that speeds up or
    // starts to turn reports more often at once.
    const milliseconds interval = positionReportInterval(entry.target.aisClass, entry.motion.speedKnots(),
                                                         entry.motion.rateOfTurnDegPerMin(), entry.target.status);
    const AisTime due = entry.lastReport ? *entry.lastReport + interval : entry.positionDue;
    if (due > now) return;
    // The next report counts from when this one was due, so that a 3 1/3 s interval averages
    // 3 1/3 s on a 1 s tick; from now when a whole interval or more was missed.
    entry.lastReport = now - due < interval ? due : now;

    const PositionReport report = reportOf(entry, now);
    const AisPayload payload =
        entry.target.aisClass == AisClass::A ? classAPositionReport(report) : classBPositionReport(report);
    m_framer.frame(payload, AisTalker::OtherShip, lines);
}

void AisFleet::reportStatic(Entry& entry, AisTime now, std::vector<std::string>& lines) {
    if (entry.staticDue > now) return;
    entry.staticDue += kStaticDataInterval;
    if (entry.staticDue <= now) entry.staticDue = now + kStaticDataInterval;
    if (entry.target.aisClass == AisClass::A) {
        m_framer.frame(staticAndVoyageData(entry.staticData), AisTalker::OtherShip, lines);
    } else {
        m_framer.frame(staticDataPartA(entry.staticData), AisTalker::OtherShip, lines);
        m_framer.frame(staticDataPartB(entry.staticData), AisTalker::OtherShip, lines);
    }
}

std::vector<std::string> AisFleet::ownShipReport(const PositionReport& report, AisClass aisClass) {
    std::vector<std::string> lines;
    const AisPayload payload = aisClass == AisClass::A ? classAPositionReport(report) : classBPositionReport(report);
    m_framer.frame(payload, AisTalker::OwnShip, lines);
    return lines;
}

std::vector<ClosestApproach> AisFleet::closestApproaches(const Movement& own) const {
    std::vector<ClosestApproach> approaches;
    approaches.reserve(m_entries.size());
    for (const Entry& entry : m_entries) {
        const Movement target{entry.motion.lat(), entry.motion.lon(), entry.motion.speedKnots(), entry.motion.courseDeg()};
        approaches.push_back(closestApproach(own, target));
    }
    return approaches;
}

}  // namespace pelora
