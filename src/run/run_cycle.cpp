#include "run/run_cycle.h"

#include "nmea/position_entry.h"
#include "nmea/sentence.h"
#include "text/number_text.h"

namespace pelora {

RunCycle::RunCycle(Clock& clock, RandomSource& random, PortManager& serial, LineOutput& outputs,
                   RunPanel& panel)
    : m_clock(clock), m_random(random), m_serial(serial), m_outputs(outputs), m_panel(panel) {}

void RunCycle::runOrPause() {
    if (m_state == State::Running) {
        m_state = State::Paused;
        return;
    }
    if (m_state == State::Stopped) {
        // Starting afresh: the position boxes give the start position.
        m_ship.Ship_Lat = User_lat(m_panel.startLatitude());
        m_ship.Ship_Lon = user_lon(m_panel.startLongitude());
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
}

void RunCycle::playVoyage() {
    // A loaded voyage plays its fixes; the ship itself does not move.
    if (!m_pacer) {
        PlaybackStep step = m_voyage.playNext();
        m_panel.showPlaying(step.caption);
        send(step.sentence);
        return;
    }
    std::string caption;
    const std::vector<std::string> lines = m_pacer(m_voyage, caption);
    m_panel.showPlaying(caption);
    for (const std::string& line : lines) {
        send(line);
    }
}

void RunCycle::simulate() {
    const std::chrono::milliseconds now = m_clock.monotonicNow();
    const RunControls controls = m_panel.controls();

    StepInputs inputs;
    inputs.first_step = !m_lastTick.has_value();
    inputs.dir_number = number_from_text(controls.course);
    inputs.elapsed_ms = inputs.first_step ? 0.0 : static_cast<double>((now - *m_lastTick).count());
    inputs.demanded_speed = number_from_text(controls.speed);
    inputs.response_on = controls.responseOn;
    inputs.response_seconds = number_from_text(controls.responseSeconds);
    inputs.sea_on = controls.seaOn;
    inputs.sea_metres = number_from_text(controls.seaMetres);
    inputs.noise_on = controls.noiseOn;
    inputs.noise_metres = number_from_text(controls.noiseMetres);
    inputs.mode = controls.autopilot ? SteeringMode::Autopilot : SteeringMode::RateOfTurn;

    const StepResult result = advanceShip(m_ship, inputs, m_random);
    if (result.dir_text) {
        m_panel.showCourse(*result.dir_text);
    }
    if (result.readouts_changed) {
        m_panel.showReadouts(m_ship.COG_Text, m_ship.SOG_Text);
    }
    m_lastTick = now;

    // One reading of the clock, so that the date and the time never straddle midnight.
    const DateTime stamp = m_utc ? m_clock.utcNow() : m_clock.localNow();
    const std::string bare = NMEA(result.reported_lon, result.reported_lat,
                                  decimalPlacesFromText(controls.decimalPlaces), controls.leadingZeros,
                                  controls.sentenceType, m_ship.SOG_Text, m_ship.COG_Text, stamp);
    const std::string sentence = withChecksumIfDue(bare, controls.checksumBox, controls.sentenceType);

    m_voyage.record(sentence);
    send(sentence);
}

void RunCycle::send(const std::string& sentence) {
    m_serial.writeSentence(sentence);
    std::string line;
    line.reserve(sentence.size() + kSentenceEnd.size());
    line.append(sentence).append(kSentenceEnd);
    m_outputs.writeLine(line);
    ++m_sentCount;
    if (m_sentListener) {
        m_sentListener(sentence);
    }
}

}  // namespace pelora
