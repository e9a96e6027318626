#include "run/run_cycle.h"

#include "nmea/sentence.h"

namespace pelora {

RunCycle::RunCycle(Clock& clock, RandomSource& random, SentenceSink& sink)
    : m_clock(clock), m_random(random), m_sink(sink) {}

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
}

void RunCycle::playVoyage() {
    // A loaded voyage plays its fixes; the ship itself does not move.
    if (!m_pacer) {
        PlaybackStep step = m_voyage.playNext();
        m_view->showPlaying(step.caption);
        m_sink.send(step.sentence);
        return;
    }
    std::string caption;
    const std::vector<std::string> lines = m_pacer(m_voyage, caption);
    m_view->showPlaying(caption);
    for (const std::string& line : lines) {
        m_sink.send(line);
    }
}

void RunCycle::simulate() {
    const std::chrono::milliseconds now = m_clock.monotonicNow();
    const RunControls controls = m_controls;  // a copy: showing the course may change the controls

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
    inputs.mode = controls.steering;

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
    // One reading of the clock, so that the date and the time never straddle midnight.
    fix.time = m_utc ? m_clock.utcNow() : m_clock.localNow();
    fix.sogText = m_ship.SOG_Text;
    fix.cogText = m_ship.COG_Text;
    fix.headingDegrees = m_ship.Ship_Heading;
    fix.decimalPlaces = controls.decimalPlaces;
    fix.leadingZeros = controls.leadingZeros;

    std::string sentence;
    if (controls.sentence != nullptr) {
        const std::vector<std::string> sentences = composeSentences(
            *controls.sentence, fix, SentenceStyle{}, controls.checksum != ChecksumChoice::Clear);
        if (!sentences.empty()) {
            sentence = sentences.front();
        }
    }
    m_voyage.record(sentence);
    m_sink.send(sentence);
}

}  // namespace pelora
