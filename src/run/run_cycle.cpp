#include "run/run_cycle.h"

#include <algorithm>

#include "nmea/burst.h"
#include "nmea/receiver_profile.h"
#include "nmea/sentence.h"
#include "scenario/calendar.h"
#include "sim/utc_seconds.h"

namespace pelora {

namespace {

using namespace std::chrono_literals;

constexpr std::int64_t kMillisecondsPerSecond = 1000;
constexpr std::string_view kAisType = "VDM";
constexpr std::string_view kOwnShipAisType = "VDO";

// The line as the status line and the voyage show it: without its line end.
std::string withoutLineEnd(std::string_view bytes) {
    while (!bytes.empty() && (bytes.back() == '\r' || bytes.back() == '\n')) {
        bytes.remove_suffix(1);
    }
    return std::string(bytes);
}

bool isAis(const BurstLine& line) {
    return line.type == kAisType || line.type == kOwnShipAisType;
}

}  // namespace

RunCycle::RunCycle(Clock& clock, RandomSource& random, SentenceSink& sink)
    : m_clock(&clock), m_random(random), m_sink(sink) {
    setReceiver(ReceiverChoices{});
}

RunCycle::~RunCycle() = default;

void RunCycle::setReceiver(const ReceiverChoices& choices) {
    m_receiverChoices = choices;
    const ReceiverProfile* profile = findReceiverProfile(choices.profile);
    if (profile == nullptr) {
        profile = &receiverProfiles().front();
    }
    m_style = profile->style;
    m_sentences = profile->sentences;
    if (!m_style.seedForm) {
        if (!choices.sentences.empty()) m_sentences = choices.sentences;
        if (!choices.talker.empty()) m_style.talker = choices.talker;
        if (choices.version) m_style.version = *choices.version;
        if (!choices.systems.empty()) m_style.systems = choices.systems;
    }
}

bool RunCycle::singleSentence() const {
    return m_style.seedForm;
}

void RunCycle::setSeed(std::uint64_t seed) {
    // Each part draws from a generator of its own, so that none of them moves the ship's draws.
    constexpr std::uint64_t kReceiverStream = 0x9e3779b97f4a7c15ULL;
    constexpr std::uint64_t kFaultStream = 0xbf58476d1ce4e5b9ULL;
    m_receiver = Receiver(seed ^ kReceiverStream);
    m_faults = WireFaults(seed ^ kFaultStream);
}

void RunCycle::followRoute(std::optional<RouteFollower> route) {
    m_route = std::move(route);
}

void RunCycle::addFault(const FaultSetting& fault) {
    m_faults.add(fault);
}

void RunCycle::runOrPause() {
    if (m_state == State::Running) {
        m_state = State::Paused;
        return;
    }
    if (m_state == State::Stopped) {
        // Starting afresh: the position boxes give the start position.
        m_ship.Ship_Lat = m_controls.startLatitude;
        m_ship.Ship_Lon = m_controls.startLongitude;
    }
    m_lastTick.reset();
    m_state = State::Running;
}

void RunCycle::stop() {
    m_lastTick.reset();
    m_ship.Ship_ROT = 0;
    m_ship.Ship_Speed = 0;
    m_state = State::Stopped;
}

void RunCycle::tick() {
    if (m_state != State::Running) {
        return;
    }
    if (m_voyage.isPlaying()) {
        playVoyage();
    } else {
        simulate();
    }
    ++m_ticks;
}

void RunCycle::playVoyage() {
    // A loaded voyage plays its fixes; the ship itself does not move.
    if (!m_pacer) {
        PlaybackStep step = m_voyage.playNext();
        m_view->showPlaying(step.caption);
        sendPlain(step.sentence);
        return;
    }
    std::string caption;
    const std::vector<std::string> lines = m_pacer(m_voyage, caption);
    m_view->showPlaying(caption);
    for (const std::string& line : lines) {
        sendPlain(line);
    }
}

void RunCycle::sendPlain(const std::string& sentence) {
    m_sink.sendLine(sentence + std::string(kSentenceEnd), sentence);
}

void RunCycle::simulate() {
    const std::chrono::milliseconds now = m_clock->monotonicNow();
    const RunControls controls = m_controls;  // a copy: showing the course may change the controls
    const bool following = m_route && !m_route->state().finished;

    StepInputs inputs;
    inputs.first_step = !m_lastTick.has_value();
    inputs.dir_number = controls.courseDegrees;
    inputs.elapsed_ms = inputs.first_step ? 0.0 : static_cast<double>((now - *m_lastTick).count());
    inputs.demanded_speed = controls.speedKnots;
    inputs.response_on = controls.responseOn;
    inputs.response_seconds = controls.responseSeconds;
    inputs.sea_on = controls.seaOn;
    inputs.sea_metres = controls.seaMetres;
    inputs.noise_on = controls.noiseOn;
    inputs.noise_metres = controls.noiseMetres;
    inputs.mode = following ? SteeringMode::Autopilot : controls.steering;

    const StepResult result = advanceShip(m_ship, inputs, m_random);
    if (result.dir_text) {
        m_view->showCourse(*result.dir_text);
    }
    if (result.readouts_changed) {
        m_view->showReadouts(m_ship.COG_Text, m_ship.SOG_Text);
    }
    m_lastTick = now;

    Fix fix;
    fix.latitude = result.reported_lat;
    fix.longitude = result.reported_lon;
    fix.sogText = m_ship.SOG_Text;
    fix.cogText = m_ship.COG_Text;
    fix.sogKnots = m_ship.sogKnots;
    fix.cogDegrees = m_ship.cogDegrees;
    fix.headingDegrees = m_ship.Ship_Heading;
    fix.decimalPlaces = controls.decimalPlaces;
    fix.leadingZeros = controls.leadingZeros;
    // One reading of the clock, so that the date and the time never straddle midnight. The
    // receiver profiles send UTC, as receivers do; the single sentence the user's choice.
    const DateTime utc = m_clock->utcNow();
    fix.time = singleSentence() && !m_utc ? m_clock->localNow() : utc;

    if (m_route) {
        // The route gives the autopilot its course for the next step, and this tick its leg.
        if (const std::optional<double> course = m_route->update(fix.latitude, fix.longitude, fix.sogKnots, fix.cogDegrees)) {
            m_ship.AutoPilot_Dir = *course;
        }
        fix.leg = m_route->leg();
    }
    if (!singleSentence()) {
        ReceiverSettings settings;
        settings.systems = m_style.systems;
        settings.elevationMaskDeg = m_receiverChoices.elevationMaskDeg;
        settings.antennaAltitudeMetres = m_receiverChoices.antennaAltitudeMetres;
        settings.fixAvailable = m_receiverChoices.fixAvailable && !m_sky.fixLost;
        settings.differential = m_receiverChoices.differential;
        settings.blockedSectors = m_sky.blocked;
        settings.hdopFactor = m_sky.hdopFactor;
        settings.noiseMetres = controls.noiseOn ? controls.noiseMetres : 0;
        m_receiver.observe(settings, fix.latitude, fix.longitude,
                           utcSecondsSince1970(utc) * kMillisecondsPerSecond, fix);
    }
    if (!m_faults.empty() && m_faults.rolloverDue(m_elapsed)) {
        fix.time = weekRolloverDate(fix.time);
    }

    std::vector<BurstLine> lines = composeLines(fix);
    if (m_keepTrack) m_track.push_back(TrackFix{fix.latitude, fix.longitude, utc, fix.sogKnots, fix.cogDegrees});
    m_fix = std::move(fix);
    send(std::move(lines));
    m_view->showFix(m_fix);
    m_elapsed += 1s;
}

std::vector<BurstLine> RunCycle::composeLines(Fix& fix) {
    const bool checksumAsked = m_controls.checksum != ChecksumChoice::Clear;
    std::vector<BurstLine> lines;
    if (singleSentence()) {
        // The single sentence as the simulator always sent it; no type chosen gives an empty line.
        BurstLine line{m_controls.sentence != nullptr ? m_controls.sentence->name : std::string_view(), {}};
        if (m_controls.sentence != nullptr) {
            const std::vector<std::string> sentences =
                composeSentences(*m_controls.sentence, fix, SentenceStyle{}, checksumAsked);
            if (!sentences.empty()) line.sentence = sentences.front();
        }
        lines.push_back(std::move(line));
    } else {
        lines = composeBurst(fix, m_style, m_sentences, checksumAsked);
    }
    if (fix.leg) {
        for (BurstLine& line : composeBurst(fix, m_style, m_routeSentences, true)) {
            lines.push_back(std::move(line));
        }
    }
    for (const std::string& custom : m_receiverChoices.customLines) {
        // Sent as written; a line ending in "*" gets its checksum.
        if (!custom.empty() && custom.back() == '*') {
            const std::string bare = custom.substr(0, custom.size() - 1);
            lines.push_back({{}, bare + CS(bare)});
        } else {
            lines.push_back({{}, custom});
        }
    }
    if (m_fleet.size() > 0 || m_ownShipAis) {
        const AisTime aisNow{std::chrono::milliseconds(utcSecondsSince1970(m_clock->utcNow()) * kMillisecondsPerSecond)};
        for (std::string& line : m_fleet.tick(aisNow)) {
            lines.push_back({kAisType, std::move(line)});
        }
        if (m_ownShipAis) {
            PositionReport own;
            own.speedKnots = fix.sogKnots;
            own.lat = fix.latitude;
            own.lon = fix.longitude;
            own.courseDeg = fix.cogDegrees;
            own.headingDeg = fix.headingDegrees;
            own.utcSecond = fix.time.second;
            for (std::string& line : m_fleet.ownShipReport(own, AisClass::A)) {
                lines.push_back({kOwnShipAisType, std::move(line)});
            }
        }
    }
    return lines;
}

void RunCycle::send(std::vector<BurstLine> lines) {
    // The serial line's budget: a second's lines never run into the next second. The single
    // sentence always goes; what AIS traffic does not fit after the fix is dropped.
    const int baud = m_lineBaud ? m_lineBaud() : 0;
    std::string note;
    if (baud > 0) {
        std::vector<BurstLine> fix;
        std::vector<BurstLine> ais;
        for (BurstLine& line : lines) {
            (isAis(line) ? ais : fix).push_back(std::move(line));
        }
        if (!singleSentence()) {
            FittedBurst fitted = fitBurst(std::move(fix), baud, m_ticks);
            fix = std::move(fitted.lines);
            note = std::move(fitted.message);
        }
        const std::size_t capacity = bytesPerSecond(baud);
        std::size_t used = burstBytes(fix);
        std::size_t dropped = 0;
        for (BurstLine& line : ais) {
            const std::size_t bytes = line.sentence.size() + kSentenceEnd.size();
            if (used + bytes <= capacity) {
                used += bytes;
                fix.push_back(std::move(line));
            } else {
                ++dropped;
            }
        }
        if (dropped > 0) {
            note += (note.empty() ? "At " + std::to_string(baud) + " baud a second carries " + std::to_string(capacity) +
                                        " bytes: "
                                  : " ") +
                    "AIS sentences that do not fit after the fix are dropped.";
        }
        lines = std::move(fix);
    }
    if (note != m_budgetNote) {
        m_budgetNote = note;
        m_view->showBudget(note);
    }

    if (m_faults.empty()) {
        bool first = true;
        for (const BurstLine& line : lines) {
            if (m_keepVoyage) m_voyage.record(line.sentence);
            m_sink.sendLine(line.sentence + std::string(kSentenceEnd), line.sentence, first);
            first = false;
        }
        return;
    }
    std::vector<WireLine> wire;
    wire.reserve(lines.size());
    for (BurstLine& line : lines) {
        wire.push_back({std::string(line.type), std::move(line.sentence)});
    }
    bool first = true;
    for (const std::string& bytes : m_faults.apply(m_elapsed, std::move(wire))) {
        const std::string shown = withoutLineEnd(bytes);
        if (m_keepVoyage) m_voyage.record(shown);
        m_sink.sendLine(bytes, shown, first);
        first = false;
    }
}

}  // namespace pelora
