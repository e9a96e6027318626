#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>

#include "chart/chart_snapshot.h"
#include "config/output_settings.h"
#include "config/receiver_settings.h"
#include "run/control_overrides.h"
#include "run/simulation.h"
#include "sim/ship_motion.h"
#include "sim/voyage.h"
#include "ui/window_services.h"

class QAction;
class QLineEdit;
class QLabel;
class QPushButton;

namespace pelora {

namespace Ui {
class FRM_NMEA;
}

class AutoConfig;
class ConfigFormAdapter;
class OverriddenForm;
class ScenarioRun;
class TrackView;
class VoyageCommands;
class WindowView;

// How the window starts besides its stored values: the command line's choices for this run.
struct WindowStart {
    ControlOverrides controls;  // put into the controls after the stored values, never saved
    // Turns the stored output choices into this run's; empty: the stored ones as they are.
    std::function<OutputSettings(const OutputSettings& stored)> outputs;
    // Turns the stored receiver choices into this run's; empty: the stored ones as they are.
    std::function<ReceiverChoices(const ReceiverChoices& stored)> receiver;
};

// The program's one working window: its controls and every event handler over the program's one
// simulation (ship, voyage, tick, serial port, outputs). Handlers only move values between the
// controls and the simulation; the window shows what the simulation tells it.
class FRM_NMEA : public QMainWindow {
    Q_OBJECT

public:
    // Field background colours that carry the steering mode. A value with the top bit set names
    // a system colour; any other value is red, green and blue in the low three bytes.
    static constexpr std::uint32_t kActiveColour = 0xFFFFFF;            // pure white: mode on
    static constexpr std::uint32_t kInactiveColour = 0x80000000;        // system colour 0
    static constexpr std::uint32_t kWindowBackgroundColour = 0x80000005;  // system colour 5

    // Builds the window with its controls, runs Form_Load (which starts the outputs) and starts
    // the ticker. `simulation` and `services` must outlive the window.
    FRM_NMEA(Simulation& simulation, const WindowServices& services, const WindowStart& start = {},
             QWidget* parent = nullptr);
    ~FRM_NMEA() override;

    // --- State read by tests and by later parts of the program ---
    bool Running() const { return m_simulation.cycle().Running(); }
    const ShipState& ship() const { return m_simulation.cycle().ship(); }
    // The voyage: every sentence sent, followed by one empty spare slot.
    const std::vector<std::string>& Voyage_Log() const { return m_simulation.cycle().voyage().withSpareSlot(); }
    const VoyageLog& voyage() const { return m_simulation.cycle().voyage(); }
    RunCycle& cycle() { return m_simulation.cycle(); }
    Simulation& simulation() { return m_simulation; }
    // The version as "major.minor.revision", set by Form_Load.
    const std::string& Version_Text() const { return m_versionText; }
    // True when no step happened since the last Run, resume or Stop (Last_Tick is 0).
    bool firstStepDue() const { return m_simulation.cycle().firstStepDue(); }
    // The background colour values of the course and rate fields.
    std::uint32_t txt_DIR_BackColor() const { return m_dirBackColor; }
    std::uint32_t txt_ROT_BackColor() const { return m_rotBackColor; }
    // The autopilot test (course field pure white) and the steering test (rate field pure white).
    bool autopilotOn() const { return m_dirBackColor == kActiveColour; }
    bool steeringOn() const { return m_rotBackColor == kActiveColour; }
    // Timer1: the once-a-second beat, running from the creation of the window.
    Ticker* Timer1() const { return &m_services.ticker; }
    // This run's output choices (the stored ones with the command line's on top).
    const OutputSettings& outputSettings() const { return m_simulation.outputSettings(); }

    // --- Run cycle ---
    // Index 0 runs, pauses or resumes; index 1 stops.
    void CMD_GO_Click(int Index);
    // The tick: one step of the ship.
    void Timer1_Timer();
    // One simulation step (see RunCycle::tick).
    void Move_Ship();
    // Sends the sentence to every output, the serial port first, and shows it.
    void sendSentence(const std::string& sentence);

    // --- Steering ---
    void Enable_AutoPilot();
    void Enable_Steering();
    void txt_DIR_Click();
    void txt_DIR_Change();
    void Label16_Click();
    void Label17_Click();
    void txt_ROT_Click();
    void txt_ROT_Change();
    void Label14_Click();
    void Label15_Click();
    // The spinner beside the speed: one knot up or down, never below 0.
    void UpDown1_UpClick();
    void UpDown1_DownClick();

    // --- Port, baud rate, outputs, voyage and help commands ---
    void cmb_PORT_Click();
    // Moves the baud-rate check mark to item Index, then re-opens the port.
    void MNU_Baud_Click(int Index);
    // Replaces this run's output choices, saves them and starts, stops or moves the outputs;
    // problems are shown in a message box.
    void changeOutputs(const OutputSettings& settings);
    // "Addresses and Ports...": the dialog for the addresses, ports and link path.
    void mnuOutputSettings_Click();
    void mnuSaveAs_Click();
    void mnuLoad_Click();
    // Loads the voyage at `path` as Load Voyage does (a failure is shown); it plays once Run.
    bool loadVoyage(const std::string& path);
    // Sends to `endpoint` too for this run (the command line's --output and --record); a failure
    // is shown. Returns whether the output runs.
    bool addOutput(const std::string& endpoint);
    void mnuNew_Click();
    void HelpIndex_Click();
    void HelpAbout_Click();
    void Image1_Click();
    // Opens a web address in the desktop's browser; returns whether it was handed over.
    bool Activate_Browser(const QString& address);

    // --- Receiver, routes, scenarios, GPX, AIS targets and the track view ---
    // "Output > Sentences...": the receiver's choices, applied and saved on OK (a failure to
    // save is shown).
    void mnuSentences_Click();
    // "Output > No Fix" and "Output > Differential": the same choices, applied and saved.
    void mnuNoFix_Click(bool on);
    void mnuDifferential_Click(bool on);
    // "Voyage > Follow Route...": asks for a GPX file and follows its route.
    void mnuFollowRoute_Click();
    // Follows the route of the GPX file at `path` from the next tick on; an unreadable file is
    // shown, naming its line. Returns whether the route is followed.
    bool followRouteFile(const std::string& path);
    // "Voyage > Run Scenario...": asks for a scenario file and plays it.
    void mnuRunScenario_Click();
    // Reads the scenario at `path` whole and, when it reads cleanly, plays it: the ship stops,
    // the scenario's start goes in, the ship runs; when the scenario ends the ship stops. Every
    // problem of a file that does not read is shown, and nothing runs. Returns whether it plays.
    bool runScenarioFile(const std::string& path);
    // True while a scenario plays.
    bool scenarioPlaying() const { return m_scenario != nullptr; }
    // "Voyage > Export GPX...": the track of the simulated ticks as a GPX file.
    void mnuExportGpx_Click();
    // "Output > AIS Targets...": the targets around the ship; OK makes the fleet again of the
    // list when it changed.
    void mnuAisTargets_Click();
    // "Output > Send Own Ship as AIVDO".
    void mnuOwnShipAis_Click(bool on);
    // "View > Track": the track view beside the window, made at the first call.
    void mnuTrack_Click();
    // The track view once it was asked for, else nullptr.
    TrackView* trackView() const { return m_trackView; }

    // --- Closing ---
    // A request to close the window: handed to query_close; the window itself never closes.
    void Form_QueryUnload();
    // Asks the control-state store whether the program ends (it may ask the operator).
    void query_close();
    // Stops the ticks, releases the serial port and the other outputs and leaves the event
    // loop, without the close handling again.
    void endProgram();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class WindowView;

    // Start-up, in order.
    void Form_Load(const WindowStart& start);
    void chdirv(const QString& longpath);
    void restoreStoredValues();
    void applyStartControls(const ControlOverrides& controls);
    void startOutputs(const WindowStart& start);
    // Hands the controls a tick reads to the simulation, read afresh from the widgets.
    void controlsChanged();

    void applyFixedFonts();
    void connectHandlers();
    // The items of the baud menu, MNU_Baud(0) to MNU_Baud(7).
    QList<QAction*> baudItems() const;
    void setBackColor(QLineEdit& field, std::uint32_t colour);
    void showPicture(QPushButton& button, const QLabel& holder);
    void showRunState();
    void autopilotStep(double degrees);
    void steeringStep(double degrees_per_second);
    void stepSpeed(double knots);
    void switchOutput(bool OutputSettings::*which, bool on);
    void showOutputStatus();
    void showOutputProblems(const std::vector<Failure>& problems);
    void showOutputProblem(const std::string& problem);
    // The receiver's choices the user made (a scenario's profile and talker are not theirs).
    ReceiverChoices userReceiver() const;
    void changeReceiver(const ReceiverChoices& choices);
    void showReceiverChoices();
    // After each tick: a scenario that has come to its end stops the ship.
    void afterTick();
    // What one simulated tick shows beyond the controls: the tool tips, the progress, the chart.
    void fixShown(const Fix& fix);
    void showProgress();
    void showChart();
    void followRoute(Route route);
    void endScenario();
    void saveRouteGpx(const std::vector<RouteWaypoint>& waypoints);
    void startPositionPicked(double lat, double lon);

    Simulation& m_simulation;
    WindowServices m_services;
    std::unique_ptr<Ui::FRM_NMEA> m_ui;
    std::unique_ptr<WindowView> m_view;
    std::unique_ptr<ConfigFormAdapter> m_configAdapter;
    std::unique_ptr<OverriddenForm> m_configForm;
    std::unique_ptr<AutoConfig> m_autoconfig;
    std::unique_ptr<VoyageCommands> m_voyageCommands;
    std::unique_ptr<ScenarioRun> m_scenario;
    std::string m_scenarioName;
    ReceiverChoices m_userReceiver;  // kept while a scenario plays, restored at its end
    TrackView* m_trackView = nullptr;
    std::string m_budgetNote;        // what the serial line's budget left out last
    bool m_progressShown = false;    // the playback line shows a route's or scenario's progress

    std::string m_versionText;
    std::uint32_t m_dirBackColor = kWindowBackgroundColour;
    std::uint32_t m_rotBackColor = kWindowBackgroundColour;
    // Set while the activation that follows a changed port selection is still to come, so that
    // one pick opens its port once.
    bool m_portPickChanged = false;
    // Set while Form_Load restores the stored values: the controls are handed over once, after.
    bool m_loading = true;
};

}  // namespace pelora
