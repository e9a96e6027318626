#include "run/scenario_run.h"

#include <memory>
#include <type_traits>

#include "nmea/position_entry.h"
#include "text/number_text.h"

namespace pelora {

ScenarioRun::ScenarioRun(Simulation& simulation, ConfigForm& form, OverrideHooks hooks,
                         std::function<void()> controlsChanged, Scenario scenario)
    : m_simulation(simulation),
      m_form(form),
      m_hooks(std::move(hooks)),
      m_controlsChanged(std::move(controlsChanged)),
      m_scenario(std::move(scenario)),
      m_timeline(m_scenario.events),
      m_alive(std::make_shared<bool>(true)) {
    std::weak_ptr<bool> alive = m_alive;
    m_simulation.addBeforeTickListener([this, alive] {
        if (!alive.expired()) beforeTick();
    });
}

ScenarioRun::~ScenarioRun() = default;

void ScenarioRun::give(const ControlOverrides& overrides) {
    applyControlOverrides(m_form, overrides, m_simulation.cycle(), m_hooks);
    if (m_controlsChanged) m_controlsChanged();
}

std::chrono::seconds ScenarioRun::elapsed() const {
    return m_simulation.cycle().elapsed() - m_startElapsed;
}

void ScenarioRun::start() {
    const ScenarioStart& start = m_scenario.start;
    m_startElapsed = m_simulation.cycle().elapsed();
    m_simulation.useSimulatedClock(start.utc);
    m_simulation.setSeed(start.seed);

    ControlOverrides overrides;
    std::optional<GeoPosition> position = start.position;
    if (!position && m_scenario.route && !m_scenario.route->waypoints.empty()) {
        const Waypoint& first = m_scenario.route->waypoints.front();
        position = GeoPosition{first.latitude, first.longitude};
    }
    if (position) {
        overrides.latitude = positionBoxText(position->latitude, true);
        overrides.longitude = positionBoxText(position->longitude, false);
    }
    if (start.speedKnots) overrides.speed = shortestNumberText(*start.speedKnots);
    if (start.courseDegrees) overrides.course = shortestNumberText(*start.courseDegrees);
    give(overrides);

    if (start.profile || start.talker) {
        ReceiverChoices choices = m_simulation.receiverChoices();
        if (start.profile) choices.profile = std::string(scenarioProfileName(*start.profile));
        if (start.talker) choices.talker = *start.talker;
        m_simulation.setReceiver(choices);
    }
    if (m_scenario.route) {
        m_simulation.cycle().followRoute(RouteFollower(*m_scenario.route, m_scenario.arrivalCircleNm));
    }
    for (const AisTarget& target : m_scenario.targets) {
        m_simulation.cycle().fleet().add(target);  // checked when the file was read
    }
}

void ScenarioRun::beforeTick() {
    if (m_ended || !m_simulation.cycle().Running()) return;
    const std::chrono::seconds elapsed = this->elapsed();
    if (m_scenario.end && elapsed >= *m_scenario.end) {
        m_ended = true;
        return;
    }
    for (const ScenarioEvent& event : m_timeline.due(elapsed)) {
        apply(event.action);
    }
}

void ScenarioRun::apply(const ScenarioAction& action) {
    RunCycle& cycle = m_simulation.cycle();
    std::visit(
        [&](const auto& what) {
            using Action = std::decay_t<decltype(what)>;
            ControlOverrides overrides;
            if constexpr (std::is_same_v<Action, action::SetSpeed>) {
                overrides.speed = shortestNumberText(what.knots);
                give(overrides);
            } else if constexpr (std::is_same_v<Action, action::SetCourse>) {
                cycle.followRoute(std::nullopt);  // a course of its own leaves the route
                overrides.course = shortestNumberText(what.degrees);
                give(overrides);
            } else if constexpr (std::is_same_v<Action, action::SetRateOfTurn>) {
                cycle.followRoute(std::nullopt);
                overrides.rate = shortestNumberText(what.degreesPerSecond);
                give(overrides);
            } else if constexpr (std::is_same_v<Action, action::SetSeaState>) {
                if (what.metres > 0) overrides.seaMetres = shortestNumberText(what.metres); else overrides.seaOff = true;
                give(overrides);
            } else if constexpr (std::is_same_v<Action, action::SetGpsNoise>) {
                if (what.metres > 0) overrides.noiseMetres = shortestNumberText(what.metres); else overrides.noiseOff = true;
                give(overrides);
            } else if constexpr (std::is_same_v<Action, action::ChangeProfile>) {
                ReceiverChoices choices = m_simulation.receiverChoices();
                choices.profile = std::string(scenarioProfileName(what.profile));
                m_simulation.setReceiver(choices);
            } else if constexpr (std::is_same_v<Action, action::ChangeTalker>) {
                ReceiverChoices choices = m_simulation.receiverChoices();
                choices.talker = what.talker;
                m_simulation.setReceiver(choices);
            } else if constexpr (std::is_same_v<Action, action::LoseFix>) {
                cycle.sky().fixLost = true;
            } else if constexpr (std::is_same_v<Action, action::RegainFix>) {
                cycle.sky().fixLost = false;
            } else if constexpr (std::is_same_v<Action, action::MaskSky>) {
                cycle.sky().blocked.push_back(
                    BlockedSector{what.azimuthFromDegrees, what.azimuthToDegrees, what.elevationBelowDegrees});
            } else if constexpr (std::is_same_v<Action, action::ClearSkyMask>) {
                cycle.sky().blocked.clear();
            } else if constexpr (std::is_same_v<Action, action::DegradeHdop>) {
                cycle.sky().hdopFactor = what.factor;
            } else if constexpr (std::is_same_v<Action, action::StepClock>) {
                if (SimulatedClock* clock = m_simulation.simulatedClock()) clock->step(what.delta);
            } else if constexpr (std::is_same_v<Action, action::SwitchFault>) {
                // The fault's window is in the scenario's time; the run cycle counts from its first Run.
                FaultSetting fault = what.fault;
                fault.from += m_startElapsed;
                if (fault.until) *fault.until += m_startElapsed;
                cycle.addFault(fault);
            } else if constexpr (std::is_same_v<Action, action::EndRun>) {
                m_ended = true;
            }
        },
        action);
}

}  // namespace pelora
