#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>

#include "sim/ship_motion.h"
#include "sim/voyage.h"
#include "ui/voyage_commands.h"
#include "ui/window_services.h"

class QLineEdit;
class QLabel;
class QPushButton;
class QTimer;

namespace pelora {

namespace Ui {
class FRM_NMEA;
}

class SystemClock;
class ProgramRandom;
class QtFileDialogs;
class DeviceMap;
class PortManager;
class PortView;
class QtSettingsStore;
class QtConfigDialogs;
class ConfigFormAdapter;
class AutoConfig;
class QtHelpViewer;

// The program's one working window: it owns the controls, the tick timer, the ship state and
// the voyage list, and carries every event handler. Handlers only move values between the
// controls and the core (src/sim, src/nmea).
class FRM_NMEA : public QMainWindow {
    Q_OBJECT

public:
    // Field background colours that carry the steering mode. A value with the top bit set names
    // a system colour; any other value is red, green and blue in the low three bytes.
    static constexpr std::uint32_t kActiveColour = 0xFFFFFF;            // pure white: mode on
    static constexpr std::uint32_t kInactiveColour = 0x80000000;        // system colour 0
    static constexpr std::uint32_t kWindowBackgroundColour = 0x80000005;  // system colour 5

    // Builds the window with its controls, starts Timer1 and runs Form_Load.
    explicit FRM_NMEA(const WindowServices& services, QWidget* parent = nullptr);
    ~FRM_NMEA() override;

    // --- State read by tests and by later parts of the program ---
    bool Running() const { return m_running; }
    ShipState& ship() { return m_ship; }
    const ShipState& ship() const { return m_ship; }
    // The voyage: every sentence sent, followed by one empty spare slot.
    const std::vector<std::string>& Voyage_Log() const { return m_voyage.withSpareSlot(); }
    const VoyageLog& voyage() const { return m_voyage; }
    // The version as "major.minor.revision", set by Form_Load.
    const std::string& Version_Text() const { return m_versionText; }
    // True when no step happened since the last Run, resume or Stop (Last_Tick is 0).
    bool firstStepDue() const { return !m_lastTick.has_value(); }
    // The background colour values of the course and rate fields.
    std::uint32_t txt_DIR_BackColor() const { return m_dirBackColor; }
    std::uint32_t txt_ROT_BackColor() const { return m_rotBackColor; }
    // The autopilot test (course field pure white) and the steering test (rate field pure white).
    bool autopilotOn() const { return m_dirBackColor == kActiveColour; }
    bool steeringOn() const { return m_rotBackColor == kActiveColour; }
    QTimer* Timer1() const { return m_timer1; }
    // The serial control MSComm1.
    SerialControl& MSComm1() const { return *m_services.serial; }
    // The control-state store the window is attached to.
    AutoConfig& autoconfig() const { return *m_autoconfig; }

    // --- Run cycle ---
    // Index 0 runs, pauses or resumes; index 1 stops.
    void CMD_GO_Click(int Index);
    // The tick: one step of the ship.
    void Timer1_Timer();
    // One simulation step: nothing unless Running; while a voyage plays, sends its next fix;
    // otherwise moves the ship, updates the readouts, composes and records the sentence and
    // hands it to sendSentence.
    void Move_Ship();
    // Shows the finished sentence in LAB_NMEA and writes it to the open port with CR LF, or
    // shows it followed by ": Not Connected." when no port is open.
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

    // --- Port, baud rate, voyage and help commands ---
    void cmb_PORT_Click();
    // Moves the baud-rate check mark to item Index, then re-opens the selected port.
    void MNU_Baud_Click(int Index);
    void mnuSaveAs_Click();
    void mnuLoad_Click();
    void mnuNew_Click();
    void HelpIndex_Click();
    void HelpAbout_Click();
    void Image1_Click();
    // Opens a web address in the desktop's browser; returns whether it was handed over.
    bool Activate_Browser(const QString& address);

    // --- Closing ---
    // A request to close the window: handed to query_close; the window itself never closes.
    void Form_QueryUnload();
    // Asks the control-state store whether the program ends (it may ask the operator).
    void query_close();
    // Releases the serial port and leaves the event loop, without the close handling again.
    void endProgram();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillInRealServices();
    // Start-up, in order.
    void Form_Load();
    void chdirv(const QString& longpath);
    void probePorts();
    void restoreStoredValues();

    void applyFixedFonts();
    void connectHandlers();
    void setBackColor(QLineEdit& field, std::uint32_t colour);
    void showPicture(QPushButton& button, const QLabel& holder);
    void autopilotStep(double degrees);
    void steeringStep(double degrees_per_second);
    void stepSpeed(double knots);
    void closeSerialPort();

    std::unique_ptr<Ui::FRM_NMEA> m_ui;
    std::unique_ptr<SystemClock> m_systemClock;
    std::unique_ptr<ProgramRandom> m_programRandom;
    std::unique_ptr<QtFileDialogs> m_qtFileDialogs;
    std::unique_ptr<DeviceMap> m_deviceMap;
    std::unique_ptr<QtSettingsStore> m_qtSettings;
    std::unique_ptr<QtConfigDialogs> m_qtConfigDialogs;
    std::unique_ptr<PortView> m_portView;
    std::unique_ptr<PortManager> m_ports;
    std::unique_ptr<ConfigFormAdapter> m_configForm;
    std::unique_ptr<AutoConfig> m_autoconfig;
    std::unique_ptr<QtHelpViewer> m_qtHelpViewer;
    WindowServices m_services;
    QTimer* m_timer1 = nullptr;

    bool m_running = false;
    // Monotonic time of the previous step; empty when the next step is a first step.
    std::optional<std::chrono::milliseconds> m_lastTick;
    ShipState m_ship;
    VoyageLog m_voyage;
    std::unique_ptr<VoyageCommands> m_voyageCommands;
    std::string m_versionText;
    std::uint32_t m_dirBackColor = kWindowBackgroundColour;
    std::uint32_t m_rotBackColor = kWindowBackgroundColour;
};

}  // namespace pelora
