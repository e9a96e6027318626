#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/config_form.h"
#include "run/control_overrides.h"
#include "run/simulation.h"
#include "scenario/scenario.h"
#include "scenario/timeline_player.h"

namespace pelora {

// Plays a scenario on the simulation: puts its start in (the simulated clock at its time, the
// seed, the position, speed and course, the profile and talker, the route) and, before each
// tick, the events its timeline has due. The ship's controls change through the front end's
// form (the window's controls, or the headless runner's stored ones), as the command line's
// values do, so that they show and are never saved.
class ScenarioRun {
public:
    // `simulation`, `form` and the hooks' targets must outlive the run. `hooks` are the front
    // end's (steering mode, recording what is for this run only); `controlsChanged` runs after
    // the form changed (the headless runner hands the controls over; the window's controls do so
    // by themselves).
    ScenarioRun(Simulation& simulation, ConfigForm& form, OverrideHooks hooks, std::function<void()> controlsChanged,
                Scenario scenario);
    ~ScenarioRun();
    ScenarioRun(const ScenarioRun&) = delete;
    ScenarioRun& operator=(const ScenarioRun&) = delete;

    // Puts the start in; the ship then starts from Stopped at the scenario's position. The
    // scenario's time counts from here, however long the ship ran before (in the window).
    void start();

    // Simulated seconds of the scenario: the ticks that ran since start().
    std::chrono::seconds elapsed() const;

    // True once the scenario's end has come (its end event, or its length).
    bool ended() const { return m_ended; }
    const Scenario& scenario() const { return m_scenario; }

private:
    void beforeTick();
    void apply(const ScenarioAction& action);
    void give(const ControlOverrides& overrides);

    Simulation& m_simulation;
    ConfigForm& m_form;
    OverrideHooks m_hooks;
    std::function<void()> m_controlsChanged;
    Scenario m_scenario;
    TimelinePlayer m_timeline;
    bool m_ended = false;
    std::chrono::seconds m_startElapsed{0};  // the run cycle's elapsed time at start()
    std::shared_ptr<bool> m_alive;  // the tick hook runs only while the run exists
};

}  // namespace pelora
