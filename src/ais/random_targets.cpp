#include "ais/random_targets.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <unordered_set>

#include "sim/navigation.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

// SplitMix64: a small generator whose sequence is fixed for a seed on every platform.
class TargetDice {
public:
    explicit TargetDice(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1), 53 bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Uniform in [low, high].
    double between(double low, double high) { return low + (high - low) * unit(); }

    // Uniform in 0..count-1. Requires count > 0.
    std::size_t below(std::size_t count) { return static_cast<std::size_t>(next() % count); }

private:
    std::uint64_t m_state;
};

// One kind of ship: its type code, class, sizes and speeds, and its share of the fleet.
struct ShipKind {
    int shipType;
    AisClass aisClass;
    double shortestMetres;
    double longestMetres;
    double lengthPerBeam;
    double slowestKnots;
    double fastestKnots;
    NavigationStatus underWay;
    int share;              // out of the sum of all shares
};

constexpr ShipKind kShipKinds[] = {
    {70, AisClass::A, 90, 300, 6.5, 10, 18, NavigationStatus::UnderWayUsingEngine, 25},  // cargo
    {80, AisClass::A, 100, 330, 6, 9, 15, NavigationStatus::UnderWayUsingEngine, 15},   // tanker
    {60, AisClass::A, 50, 300, 7, 12, 22, NavigationStatus::UnderWayUsingEngine, 8},    // passenger
    {40, AisClass::A, 25, 60, 4, 25, 38, NavigationStatus::UnderWayUsingEngine, 3},     // high-speed craft
    {30, AisClass::A, 15, 40, 4, 2, 9, NavigationStatus::EngagedInFishing, 10},         // fishing
    {52, AisClass::A, 20, 40, 3, 5, 12, NavigationStatus::UnderWayUsingEngine, 6},      // tug
    {50, AisClass::A, 15, 25, 3.5, 8, 20, NavigationStatus::UnderWayUsingEngine, 3},    // pilot
    {36, AisClass::B, 8, 20, 3.5, 3, 8, NavigationStatus::UnderWaySailing, 15},         // sailing
    {37, AisClass::B, 6, 25, 3, 4, 20, NavigationStatus::UnderWayUsingEngine, 15},      // pleasure
};

// Of each hundred class A targets, this many lie at anchor; of class B this many lie still.
constexpr int kAnchoredPerHundred = 15;
constexpr int kStillClassBPerHundred = 10;

// A country's maritime identification digits and the start of its call signs.
struct Flag {
    std::uint32_t mid;
    const char* callSignStart;
};
constexpr Flag kFlags[] = {
    {211, "D"},  {219, "OU"}, {232, "M"},  {244, "PC"}, {257, "LA"}, {265, "SE"}, {227, "FA"},
    {247, "IB"}, {338, "WD"}, {366, "WD"}, {477, "VR"}, {563, "9V"}, {636, "A8"}, {538, "V7"},
};

constexpr const char* kNameStarts[] = {
    "NORTHERN", "SOUTHERN", "ATLANTIC", "BALTIC", "GOLDEN", "SILVER", "OCEAN", "SEA", "BLUE",
    "MORNING", "EVENING", "POLAR", "CORAL", "STELLA", "NORDIC", "STAR", "WIND", "RED",
};
constexpr const char* kNameEnds[] = {
    "STAR", "SPIRIT", "TRADER", "EXPRESS", "PIONEER", "HARMONY", "BREEZE", "WAVE", "FALCON",
    "HORIZON", "VOYAGER", "DAWN", "ARROW", "GULL", "MARINER", "QUEEN", "RUNNER", "SWAN",
};
constexpr const char* kPorts[] = {
    "ROTTERDAM", "HAMBURG", "ANTWERP", "FELIXSTOWE", "GOTHENBURG", "SINGAPORE", "NEW YORK",
    "LE HAVRE", "BREMERHAVEN", "OSLO", "AARHUS", "GDANSK", "DOVER", "CALAIS", "VALENCIA",
};

constexpr char kCallSignAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::size_t kCallSignLength = 6;
constexpr std::uint32_t kShipNumbersPerMid = 1000000;
constexpr std::uint32_t kLowestImoBase = 900000;  // recent ships: 90000xx and up
constexpr std::uint32_t kImoBases = 99999;
constexpr double kDraughtPerLength = 0.045;
constexpr double kDeepestRandomDraughtMetres = 25.5;
constexpr double kLatitudeLimit = 89.9;  // keep clear of the poles, where the chart breaks down

const ShipKind& pickKind(TargetDice& dice) {
    int total = 0;
    for (const ShipKind& kind : kShipKinds) total += kind.share;
    int roll = static_cast<int>(dice.below(static_cast<std::size_t>(total)));
    for (const ShipKind& kind : kShipKinds) {
        if (roll < kind.share) return kind;
        roll -= kind.share;
    }
    return kShipKinds[0];
}

std::uint32_t withImoCheckDigit(std::uint32_t base) {
    std::uint32_t rest = base;
    std::uint32_t sum = 0;
    for (std::uint32_t weight = 2; weight <= 7; ++weight) {
        sum += (rest % 10) * weight;
        rest /= 10;
    }
    return base * 10 + sum % 10;
}

double tenths(double value) { return std::round(value * 10) / 10; }

// A position `eastNm` and `northNm` from (lat, lon) on the local flat chart.
void place(AisTarget& target, double lat, double lon, double eastNm, double northNm) {
    target.lat = std::clamp(lat + northNm / 60, -kLatitudeLimit, kLatitudeLimit);
    const double cosLat = std::cos(lat * kDegreesToRadians);
    target.lon = std::remainder(lon + eastNm / (60 * std::max(cosLat, 1e-6)), 360.0);
}

std::string badChoice(std::string_view text, const std::string& reason) {
    return "AIS targets \"" + std::string(text) + "\": " + reason;
}

}  // namespace

RandomTargetsParse parseRandomTargets(std::string_view text) {
    const std::string_view::size_type colon = text.find(':');
    const std::string_view countText = trim(text.substr(0, colon));
    const std::optional<long long> count = wholeNumber(countText);
    const std::string countRule = "the number of targets must be a whole number from " +
                                  std::to_string(kFewestRandomTargets) + " to " + std::to_string(kMostRandomTargets);
    if (!count) {
        return {std::nullopt, badChoice(text, countRule + ", optionally followed by \":\" and a radius in nautical miles "
                                              "(for example \"50:12\")")};
    }
    if (*count < kFewestRandomTargets || *count > kMostRandomTargets) return {std::nullopt, badChoice(text, countRule)};

    RandomTargetsChoice choice{static_cast<int>(*count), kDefaultRandomRadiusNm};
    if (colon != std::string_view::npos) {
        const std::optional<double> radius = strictNumberFromText(text.substr(colon + 1));
        if (!radius || !(*radius >= kSmallestRandomRadiusNm && *radius <= kLargestRandomRadiusNm)) {
            return {std::nullopt, badChoice(text, "the radius must be a number of nautical miles from " +
                                                      shortestNumberText(kSmallestRandomRadiusNm) + " to " +
                                                      shortestNumberText(kLargestRandomRadiusNm))};
        }
        choice.radiusNm = *radius;
    }
    return {choice, ""};
}

std::vector<AisTarget> randomTargets(const RandomTargetsChoice& choice, double lat, double lon, std::uint64_t seed) {
    TargetDice dice(seed);
    std::vector<AisTarget> targets;
    std::unordered_set<std::uint32_t> mmsis;
    const int count = std::clamp(choice.count, 0, kMostRandomTargets);
    targets.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        AisTarget target;
        const ShipKind& kind = pickKind(dice);
        const Flag& flag = kFlags[dice.below(std::size(kFlags))];
        do {
            target.mmsi = flag.mid * kShipNumbersPerMid + static_cast<std::uint32_t>(dice.below(kShipNumbersPerMid));
        } while (!mmsis.insert(target.mmsi).second);

        target.name = std::string(kNameStarts[dice.below(std::size(kNameStarts))]) + " " +
                      kNameEnds[dice.below(std::size(kNameEnds))];
        target.callSign = flag.callSignStart;
        while (target.callSign.size() < kCallSignLength) {
            target.callSign += kCallSignAlphabet[dice.below(std::size(kCallSignAlphabet) - 1)];
        }
        target.shipType = kind.shipType;
        target.aisClass = kind.aisClass;
        target.lengthMetres = std::round(dice.between(kind.shortestMetres, kind.longestMetres));
        target.beamMetres = std::round(target.lengthMetres / kind.lengthPerBeam);

        // Evenly over the disc: the square root of a uniform fraction of the radius.
        const double distance = choice.radiusNm * std::sqrt(dice.unit());
        const double direction = dice.unit() * kTwoPi;
        place(target, lat, lon, distance * std::sin(direction), distance * std::cos(direction));
        target.courseDeg = std::fmod(tenths(dice.between(0, 360)), 360.0);
        target.speedKnots = tenths(dice.between(kind.slowestKnots, kind.fastestKnots));
        target.status = kind.underWay;

        const auto still = static_cast<int>(dice.below(100));
        if (kind.aisClass == AisClass::A) {
            target.imo = withImoCheckDigit(kLowestImoBase + static_cast<std::uint32_t>(dice.below(kImoBases)));
            target.destination = kPorts[dice.below(std::size(kPorts))];
            target.draughtMetres = std::min(tenths(target.lengthMetres * kDraughtPerLength), kDeepestRandomDraughtMetres);
            if (still < kAnchoredPerHundred) {
                target.status = NavigationStatus::AtAnchor;
                target.speedKnots = 0;
            }
        } else if (still < kStillClassBPerHundred) {
            target.speedKnots = 0;
        }
        targets.push_back(std::move(target));
    }
    return targets;
}

}  // namespace pelora
