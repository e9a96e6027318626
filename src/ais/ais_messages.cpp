#include "ais/ais_messages.h"

#include <algorithm>
#include <cmath>

namespace pelora {

namespace {

// Field widths and special values as ITU-R M.1371 lays the messages out (gpsd's AIVDM.adoc
// describes them field by field).
constexpr int kTypeBits = 6;
constexpr int kRepeatBits = 2;
constexpr int kMmsiBits = 30;
constexpr int kSpeedBits = 10;
constexpr int kLonBits = 28;
constexpr int kLatBits = 27;
constexpr int kCourseBits = 12;
constexpr int kHeadingBits = 9;
constexpr int kSecondBits = 6;

constexpr std::uint32_t kSpeedNotAvailable = 1023;
constexpr std::uint32_t kLargestSpeedTenths = 1022;      // 102.2 knots or more
constexpr double kTenThousandthMinutesPerDegree = 600000;
constexpr std::int32_t kLonNotAvailable = 181 * 600000;
constexpr std::int32_t kLatNotAvailable = 91 * 600000;
constexpr std::uint32_t kCourseNotAvailable = 3600;
constexpr std::uint32_t kTenthDegreesPerTurn = 3600;
constexpr std::uint32_t kHeadingNotAvailable = 511;
constexpr std::uint32_t kDegreesPerTurn = 360;
constexpr std::uint32_t kSecondNotAvailable = 60;
constexpr std::uint32_t kLargestSecondField = 63;

constexpr double kRateOfTurnFactor = 4.733;
constexpr int kLargestRateOfTurnField = 126;
constexpr int kNoRateOfTurnInformation = -128;

constexpr std::uint32_t kEpfdGps = 1;
constexpr std::uint32_t kLargestDraughtTenths = 255;
constexpr std::uint32_t kAisVersion = 0;
constexpr std::uint32_t kDataTerminalReady = 0;

// A class B "CS" unit sends no communication state; the ITDMA selector and this fixed value
// stand in its place.
constexpr std::uint32_t kCsCommunicationState = 0b1100000000000000110;

void header(AisPayload& payload, std::uint32_t type, std::uint32_t mmsi) {
    payload.appendUnsigned(type, kTypeBits);
    payload.appendUnsigned(0, kRepeatBits);
    payload.appendUnsigned(mmsi, kMmsiBits);
}

std::uint32_t speedField(double knots) {
    if (!std::isfinite(knots)) return kSpeedNotAvailable;
    return static_cast<std::uint32_t>(std::clamp(std::lround(knots * 10), 0L, static_cast<long>(kLargestSpeedTenths)));
}

std::int32_t angleField(double degrees, double largest, std::int32_t notAvailable) {
    if (!std::isfinite(degrees)) return notAvailable;
    const double clamped = std::clamp(degrees, -largest, largest);
    return static_cast<std::int32_t>(std::lround(clamped * kTenThousandthMinutesPerDegree));
}

std::uint32_t courseField(double degrees) {
    if (!std::isfinite(degrees)) return kCourseNotAvailable;
    const long tenths = std::lround(std::fmod(degrees, 360.0) * 10);
    const long turn = static_cast<long>(kTenthDegreesPerTurn);
    return static_cast<std::uint32_t>(((tenths % turn) + turn) % turn);
}

std::uint32_t headingField(const std::optional<double>& degrees) {
    if (!degrees || !std::isfinite(*degrees)) return kHeadingNotAvailable;
    const long whole = std::lround(std::fmod(*degrees, 360.0));
    const long turn = static_cast<long>(kDegreesPerTurn);
    return static_cast<std::uint32_t>(((whole % turn) + turn) % turn);
}

std::uint32_t secondField(int second) {
    if (second < 0) return kSecondNotAvailable;
    return std::min(static_cast<std::uint32_t>(second), kLargestSecondField);
}

// Speed, accuracy, position, course, heading and time stamp: the run both position reports
// share.
void motionFields(AisPayload& payload, const PositionReport& report) {
    payload.appendUnsigned(speedField(report.speedKnots), kSpeedBits);
    payload.appendUnsigned(0, 1);  // position accuracy: an unaugmented fix
    payload.appendSigned(angleField(report.lon, 180, kLonNotAvailable), kLonBits);
    payload.appendSigned(angleField(report.lat, 90, kLatNotAvailable), kLatBits);
    payload.appendUnsigned(courseField(report.courseDeg), kCourseBits);
    payload.appendUnsigned(headingField(report.headingDeg), kHeadingBits);
    payload.appendUnsigned(secondField(report.utcSecond), kSecondBits);
}

void dimensionFields(AisPayload& payload, const ShipDimensions& dimensions) {
    const auto part = [&payload](int metres, int width) {
        const auto largest = static_cast<int>((1U << width) - 1);
        payload.appendUnsigned(static_cast<std::uint32_t>(std::clamp(metres, 0, largest)), width);
    };
    part(dimensions.toBow, 9);
    part(dimensions.toStern, 9);
    part(dimensions.toPort, 6);
    part(dimensions.toStarboard, 6);
}

std::uint32_t etaPart(int value, int low, int high, int notGiven) {
    return static_cast<std::uint32_t>(value >= low && value <= high ? value : notGiven);
}

}  // namespace

StaticData staticDataOf(const AisTarget& target) {
    StaticData data;
    data.mmsi = target.mmsi;
    data.imo = target.imo;
    data.callSign = target.callSign;
    data.name = target.name;
    data.shipType = target.shipType;
    data.dimensions = dimensionsOf(target);
    data.eta = target.eta;
    data.draughtMetres = target.draughtMetres;
    data.destination = target.destination;
    return data;
}

int rateOfTurnField(double degPerMin) {
    if (!std::isfinite(degPerMin)) return kNoRateOfTurnInformation;
    const long magnitude =
        std::min(std::lround(kRateOfTurnFactor * std::sqrt(std::fabs(degPerMin))), static_cast<long>(kLargestRateOfTurnField));
    return static_cast<int>(degPerMin < 0 ? -magnitude : magnitude);
}

AisPayload classAPositionReport(const PositionReport& report) {
    AisPayload payload;
    header(payload, 1, report.mmsi);
    payload.appendUnsigned(static_cast<std::uint32_t>(report.status) & 0xFU, 4);
    payload.appendSigned(rateOfTurnField(report.rateOfTurnDegPerMin), 8);
    motionFields(payload, report);
    payload.appendUnsigned(0, 2);   // manoeuvre indicator: not available
    payload.appendUnsigned(0, 3);   // spare
    payload.appendUnsigned(0, 1);   // RAIM not in use
    payload.appendUnsigned(0, 19);  // SOTDMA state: UTC direct, slot timeout 0, offset 0
    return payload;
}

AisPayload classBPositionReport(const PositionReport& report) {
    AisPayload payload;
    header(payload, 18, report.mmsi);
    payload.appendUnsigned(0, 8);   // regional reserved
    motionFields(payload, report);
    payload.appendUnsigned(0, 2);   // regional reserved
    payload.appendUnsigned(1, 1);   // a "CS" (carrier sense) unit
    payload.appendUnsigned(0, 1);   // no display
    payload.appendUnsigned(0, 1);   // no DSC
    payload.appendUnsigned(0, 1);   // band flag
    payload.appendUnsigned(0, 1);   // message 22 flag
    payload.appendUnsigned(0, 1);   // autonomous mode
    payload.appendUnsigned(0, 1);   // RAIM not in use
    payload.appendUnsigned(1, 1);   // communication state selector: ITDMA
    payload.appendUnsigned(kCsCommunicationState, 19);
    return payload;
}

AisPayload staticAndVoyageData(const StaticData& data) {
    AisPayload payload;
    header(payload, 5, data.mmsi);
    payload.appendUnsigned(kAisVersion, 2);
    payload.appendUnsigned(data.imo, 30);
    payload.appendText(data.callSign, 7);
    payload.appendText(data.name, 20);
    payload.appendUnsigned(static_cast<std::uint32_t>(std::clamp(data.shipType, 0, 255)), 8);
    dimensionFields(payload, data.dimensions);
    payload.appendUnsigned(kEpfdGps, 4);
    payload.appendUnsigned(etaPart(data.eta.month, 1, 12, 0), 4);
    payload.appendUnsigned(etaPart(data.eta.day, 1, 31, 0), 5);
    payload.appendUnsigned(etaPart(data.eta.hour, 0, 23, 24), 5);
    payload.appendUnsigned(etaPart(data.eta.minute, 0, 59, 60), 6);
    const long draught = std::isfinite(data.draughtMetres) ? std::lround(data.draughtMetres * 10) : 0;
    payload.appendUnsigned(static_cast<std::uint32_t>(std::clamp(draught, 0L, static_cast<long>(kLargestDraughtTenths))), 8);
    payload.appendText(data.destination, 20);
    payload.appendUnsigned(kDataTerminalReady, 1);
    payload.appendUnsigned(0, 1);   // spare
    return payload;
}

AisPayload staticDataPartA(const StaticData& data) {
    AisPayload payload;
    header(payload, 24, data.mmsi);
    payload.appendUnsigned(0, 2);   // part A
    payload.appendText(data.name, 20);
    payload.appendUnsigned(0, 8);   // spare
    return payload;
}

AisPayload staticDataPartB(const StaticData& data) {
    AisPayload payload;
    header(payload, 24, data.mmsi);
    payload.appendUnsigned(1, 2);   // part B
    payload.appendUnsigned(static_cast<std::uint32_t>(std::clamp(data.shipType, 0, 255)), 8);
    payload.appendText("", 3);      // vendor: not given
    payload.appendUnsigned(0, 4);   // unit model
    payload.appendUnsigned(0, 20);  // serial number
    payload.appendText(data.callSign, 7);
    dimensionFields(payload, data.dimensions);
    payload.appendUnsigned(0, 6);   // spare
    return payload;
}

}  // namespace pelora
