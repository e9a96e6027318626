#include "ui/FRM_NMEA.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "config/autoconfig.h"
#include "config/output_settings.h"
#include "config/overridden_form.h"
#include "nmea/position_entry.h"
#include "nmea/sentence_table.h"
#include "platform/app_identity.h"
#include "platform/atomic_file.h"
#include "platform/disk_file_source.h"
#include "present/chart_feed.h"
#include "present/status_texts.h"
#include "present/target_form.h"
#include "present/window_place.h"
#include "run/scenario_run.h"
#include "scenario/gpx.h"
#include "scenario/scenario_parser.h"
#include "sim/navigation.h"
#include "text/number_text.h"
#include "text/text.h"
#include "dialogs/about_text.h"
#include "ui/ais_targets_dialog.h"
#include "ui/config_form_adapter.h"
#include "ui/help_chm.h"
#include "dialogs/output_dialog.h"
#include "ui/receiver_dialog.h"
#include "ui/track_view.h"
#include "ui/voyage_commands.h"
#include "ui_FRM_NMEA.h"

// The images live in a static library; their resource must be registered by hand.
static void registerWindowImages() {
    Q_INIT_RESOURCE(images);
}

namespace pelora {

namespace {

constexpr double kFixedFontPoints = 8.25;
constexpr double kSpeedStepKnots = 1.0;
constexpr double kCourseStepDegrees = 1.0;
constexpr double kRateStepDegreesPerSecond = 0.5;
constexpr int kVersionMajor = PELORA_VERSION_MAJOR;
constexpr int kVersionMinor = PELORA_VERSION_MINOR;
constexpr int kVersionPatch = PELORA_VERSION_PATCH;
// The track view opens this far to the right of the window.
constexpr int kTrackViewGapPixels = 8;
// What a route built on the chart is called.
constexpr char kDrawnRouteName[] = "Route drawn on the chart";
// The name of a GPX file's track when the file's name gives none.
constexpr char kDefaultTrackName[] = "Pelora";
constexpr char kNoTrackMessage[] = "No track has been recorded yet: run the ship, then export its track.";

// The shade shown for system colour 0 (the scroll-bar grey of the standard scheme).
const QColor kScrollBarGrey(200, 200, 200);

std::string textOf(const QLineEdit& field) {
    return field.text().toStdString();
}

// How a colour value looks on screen; only the value itself carries meaning.
QColor displayColour(std::uint32_t value, const QPalette& palette) {
    if ((value & 0x80000000u) != 0) {
        switch (value & 0xFFu) {
        case 0:
            return kScrollBarGrey;
        case 5:
            return palette.color(QPalette::Base);
        default:
            return palette.color(QPalette::Window);
        }
    }
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

void paintLetterButton(QLabel& label, const QColor& background) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, Qt::white);
    label.setPalette(palette);
    label.setAutoFillBackground(true);
}

}  // namespace

// What the simulation shows in the window: the status line and its tool tip (the port's reason,
// the receiver's fix, the faults injected), the settings label, the baud menu's check marks, the
// course box, the readouts, the playback line, the Output menu, and each simulated tick's fix
// for the progress line and the track view.
class WindowView final : public SimulationView {
public:
    explicit WindowView(FRM_NMEA& window) : m_window(window), m_ui(*window.m_ui) {}

    void showSent(const std::string& sentence, bool serialOpen) override {
        m_ui.LAB_NMEA->setText(QString::fromStdString(sentStatusText(sentence, serialOpen)));
    }
    void showPortEvent(const PortEvent& event) override {
        switch (event.kind) {
        case PortEvent::Kind::Listed:
            listPorts();
            return;
        case PortEvent::Kind::BaudChecked:
            showBaudChecks(event.baudChecks);
            return;
        case PortEvent::Kind::NoPorts:
            m_window.m_services.dialogs.showNotice(event.message);
            break;
        case PortEvent::Kind::Opened:
            m_ui.Lab_BaudRate->setText(QString::fromStdString(event.settings));
            break;
        default:
            break;
        }
        if (const std::string status = portStatusText(event); !status.empty()) {
            m_ui.LAB_NMEA->setText(QString::fromStdString(status));
        }
        if (event.kind != PortEvent::Kind::NoPorts) {
            m_portTip = portToolTip(event);
            showToolTip();
        }
    }
    void showFix(const Fix& fix) override {
        const RunCycle& cycle = m_window.m_simulation.cycle();
        m_fixText = cycle.singleSentence() ? std::string() : fixStateText(fix);
        m_faults = cycle.faults().countsText();
        showToolTip();
        m_window.fixShown(fix);
    }
    void showBudget(const std::string& note) override { m_window.m_budgetNote = note; }
    // The status line's tool tip: the port's reason, the receiver's fix and the faults so far.
    void showToolTip() {
        m_ui.LAB_NMEA->setToolTip(QString::fromStdString(statusToolTip(m_portTip, m_fixText, m_faults)));
    }
    // Forgets the fix and the faults shown (the receiver or the faults changed).
    void forgetFix() {
        m_fixText.clear();
        m_faults.clear();
        showToolTip();
    }
    void showOutputChange(const std::string& /*endpoint*/, const std::string& problem) override {
        m_window.showOutputStatus();
        if (!problem.empty()) {
            // Shown once the tick or handler that met it has ended, never inside it.
            QMetaObject::invokeMethod(&m_window, [this, problem] { m_window.showOutputProblem(problem); },
                                      Qt::QueuedConnection);
        }
    }
    void showCourse(const std::string& text) override { m_ui.txt_DIR->setText(QString::fromStdString(text)); }
    void showReadouts(const std::string& cog, const std::string& sog) override {
        m_ui.LAB_COG->setText(QString::fromStdString(cog));
        m_ui.LAB_SOG->setText(QString::fromStdString(sog));
    }
    void showPlaying(const std::string& caption) override {
        m_ui.LabPlaying->setWholeText(QString::fromStdString(caption));
    }

private:
    void listPorts() {
        // Filling the list selects nothing and must not run the port's selection handler.
        const QSignalBlocker blocker(m_ui.cmb_PORT);
        m_ui.cmb_PORT->clear();
        for (const std::string& entry : PortManager::portEntries()) {
            m_ui.cmb_PORT->addItem(QString::fromStdString(entry));
        }
        m_ui.cmb_PORT->setCurrentIndex(-1);
    }
    void showBaudChecks(const std::vector<bool>& checks) {
        const QList<QAction*> bauds = m_window.baudItems();
        for (int index = 0; index < bauds.size() && index < static_cast<int>(checks.size()); ++index) {
            bauds[index]->setChecked(checks[static_cast<std::size_t>(index)]);
        }
    }

    FRM_NMEA& m_window;
    Ui::FRM_NMEA& m_ui;
    std::string m_portTip;
    std::string m_fixText;
    std::string m_faults;
};

FRM_NMEA::FRM_NMEA(Simulation& simulation, const WindowServices& services, const WindowStart& start,
                   QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_simulation(simulation),
      m_services(services),
      m_ui(std::make_unique<Ui::FRM_NMEA>()),
      m_autoconfig(std::make_unique<AutoConfig>(m_services.settings, m_services.configDialogs,
                                                m_services.applicationName, std::string(kAppTitle),
                                                [this] { endProgram(); })),
      m_voyageCommands(std::make_unique<VoyageCommands>(
          m_simulation.cycle().voyage(), m_services.fileDialogs,
          VoyageCommandHooks{
              [this](const std::string& message) { m_services.dialogs.showError(message); },
              [](const std::string& path) { return file_title(path, false, false); },
              [this] { CMD_GO_Click(1); },
              [this](const std::string& caption) { m_view->showPlaying(caption); }})) {
    registerWindowImages();
    m_ui->setupUi(this);
    m_view = std::make_unique<WindowView>(*this);
    m_simulation.setView(m_view.get());
    applyFixedFonts();
    paintLetterButton(*m_ui->Label14, QColor(192, 0, 0));
    paintLetterButton(*m_ui->Label16, QColor(192, 0, 0));
    paintLetterButton(*m_ui->Label15, QColor(0, 192, 0));
    paintLetterButton(*m_ui->Label17, QColor(0, 192, 0));
    setBackColor(*m_ui->txt_DIR, kWindowBackgroundColour);
    setBackColor(*m_ui->txt_ROT, kWindowBackgroundColour);
    adjustSize();
    setFixedSize(size());

    m_ui->Image1->setCursor(Qt::PointingHandCursor);
    m_configAdapter = std::make_unique<ConfigFormAdapter>(*this, "FRM_NMEA");
    m_configForm = std::make_unique<OverriddenForm>(*m_configAdapter);
    connectHandlers();
    // Timer1 runs from the creation of the window; its ticks do nothing until Run.
    m_services.ticker.start([this] { Timer1_Timer(); });
    Form_Load(start);
}

FRM_NMEA::~FRM_NMEA() {
    m_services.ticker.stop();
    if (m_simulation.view() == m_view.get()) {
        m_simulation.setView(nullptr);
    }
}

QList<QAction*> FRM_NMEA::baudItems() const {
    return {m_ui->MNU_Baud_0, m_ui->MNU_Baud_1, m_ui->MNU_Baud_2, m_ui->MNU_Baud_3,
            m_ui->MNU_Baud_4, m_ui->MNU_Baud_5, m_ui->MNU_Baud_6, m_ui->MNU_Baud_7};
}

void FRM_NMEA::applyFixedFonts() {
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setPointSizeF(kFixedFontPoints);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    for (QLineEdit* field : m_ui->centralwidget->findChildren<QLineEdit*>()) {
        field->setFont(fixed);
    }
    m_ui->LAB_NMEA->setFont(fixed);
}

void FRM_NMEA::connectHandlers() {
    connect(m_ui->CMD_GO_0, &QPushButton::clicked, this, [this] { CMD_GO_Click(0); });
    connect(m_ui->CMD_GO_1, &QPushButton::clicked, this, [this] { CMD_GO_Click(1); });

    connect(m_ui->txt_DIR, &QLineEdit::textChanged, this, &FRM_NMEA::txt_DIR_Change);
    connect(m_ui->txt_ROT, &QLineEdit::textChanged, this, &FRM_NMEA::txt_ROT_Change);
    m_ui->txt_DIR->installEventFilter(this);
    m_ui->txt_ROT->installEventFilter(this);
    connect(m_ui->Label14, &ClickLabel::clicked, this, &FRM_NMEA::Label14_Click);
    connect(m_ui->Label15, &ClickLabel::clicked, this, &FRM_NMEA::Label15_Click);
    connect(m_ui->Label16, &ClickLabel::clicked, this, &FRM_NMEA::Label16_Click);
    connect(m_ui->Label17, &ClickLabel::clicked, this, &FRM_NMEA::Label17_Click);
    connect(m_ui->UpDown1, &UpDown::stepUp, this, &FRM_NMEA::UpDown1_UpClick);
    connect(m_ui->UpDown1, &UpDown::stepDown, this, &FRM_NMEA::UpDown1_DownClick);

    connect(m_ui->cmb_PORT, &QComboBox::currentIndexChanged, this, [this] {
        // A changed selection opens its port at once. When the operator made it, Qt reports the
        // same pick as an activation right after; that one must not open the port again.
        m_portPickChanged = true;
        QMetaObject::invokeMethod(this, [this] { m_portPickChanged = false; }, Qt::QueuedConnection);
        cmb_PORT_Click();
    });
    // Picking the entry the list already shows changes no index, so Qt reports it only as an
    // activation: the selection handler closes and reopens that port, as for any other pick.
    connect(m_ui->cmb_PORT, &QComboBox::activated, this, [this] {
        if (m_portPickChanged) {
            m_portPickChanged = false;
            return;
        }
        cmb_PORT_Click();
    });
    const QList<QAction*> bauds = baudItems();
    for (int index = 0; index < bauds.size(); ++index) {
        connect(bauds[index], &QAction::triggered, this, [this, index] { MNU_Baud_Click(index); });
    }
    // Every control a tick reads hands its value over when it changes.
    for (QLineEdit* field : {m_ui->txt_SPEED, m_ui->txt_DIR, m_ui->txt_SHIP_Response, m_ui->txt_Heavy_Sea,
                             m_ui->txt_GPS_NOISE, m_ui->txt_DPS, m_ui->txt_lat, m_ui->txt_lon}) {
        connect(field, &QLineEdit::textChanged, this, &FRM_NMEA::controlsChanged);
    }
    for (ValueCheckBox* box : {m_ui->chk_Ship_Response, m_ui->chk_Heavy_Sea, m_ui->chk_GPS_Noise, m_ui->chk_NLZ,
                               m_ui->chk_sum}) {
        connect(box, &ValueCheckBox::valueChanged, this, &FRM_NMEA::controlsChanged);
    }
    connect(m_ui->cmb_NMEA, &QComboBox::currentIndexChanged, this, &FRM_NMEA::controlsChanged);
    connect(m_ui->mnuOutputTcp, &QAction::triggered, this,
            [this](bool on) { switchOutput(&OutputSettings::tcp, on); });
    connect(m_ui->mnuOutputUdp, &QAction::triggered, this,
            [this](bool on) { switchOutput(&OutputSettings::udp, on); });
    connect(m_ui->mnuOutputPty, &QAction::triggered, this,
            [this](bool on) { switchOutput(&OutputSettings::pty, on); });
    connect(m_ui->mnuOutputUtc, &QAction::triggered, this,
            [this](bool on) { switchOutput(&OutputSettings::utc, on); });
    connect(m_ui->mnuOutputSettings, &QAction::triggered, this, &FRM_NMEA::mnuOutputSettings_Click);
    connect(m_ui->mnuSentences, &QAction::triggered, this, &FRM_NMEA::mnuSentences_Click);
    connect(m_ui->mnuNoFix, &QAction::triggered, this, &FRM_NMEA::mnuNoFix_Click);
    connect(m_ui->mnuDifferential, &QAction::triggered, this, &FRM_NMEA::mnuDifferential_Click);
    connect(m_ui->mnuAisTargets, &QAction::triggered, this, &FRM_NMEA::mnuAisTargets_Click);
    connect(m_ui->mnuOwnShipAis, &QAction::triggered, this, &FRM_NMEA::mnuOwnShipAis_Click);
    connect(m_ui->mnuFollowRoute, &QAction::triggered, this, &FRM_NMEA::mnuFollowRoute_Click);
    connect(m_ui->mnuRunScenario, &QAction::triggered, this, &FRM_NMEA::mnuRunScenario_Click);
    connect(m_ui->mnuExportGpx, &QAction::triggered, this, &FRM_NMEA::mnuExportGpx_Click);
    connect(m_ui->mnuTrack, &QAction::triggered, this, &FRM_NMEA::mnuTrack_Click);
    connect(m_ui->mnuSaveAs, &QAction::triggered, this, &FRM_NMEA::mnuSaveAs_Click);
    connect(m_ui->mnuLoad, &QAction::triggered, this, &FRM_NMEA::mnuLoad_Click);
    connect(m_ui->mnuNew, &QAction::triggered, this, &FRM_NMEA::mnuNew_Click);
    connect(m_ui->HelpIndex, &QAction::triggered, this, &FRM_NMEA::HelpIndex_Click);
    connect(m_ui->HelpAbout, &QAction::triggered, this, &FRM_NMEA::HelpAbout_Click);
    connect(m_ui->Image1, &ClickLabel::clicked, this, &FRM_NMEA::Image1_Click);
}

// ---------------------------------------------------------------------------------------------
// Start-up

void FRM_NMEA::Form_Load(const WindowStart& start) {
    chdirv(QCoreApplication::applicationDirPath());

    m_versionText = std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                    std::to_string(kVersionPatch);

    const QString exeName = QString::fromStdString(executableName());
    setWindowTitle(exeName + QString::fromStdString(blankSigned(kVersionMajor) + "." +
                                                    blankSigned(kVersionMinor) + "." +
                                                    blankSigned(kVersionPatch)));

    showPicture(*m_ui->CMD_GO_0, *m_ui->PIC_RUN);
    showPicture(*m_ui->CMD_GO_1, *m_ui->Pic_stop);
    m_ui->CMD_GO_1->setEnabled(false);

    m_simulation.ports().probe();

    m_ui->cmb_NMEA->clear();
    for (const std::string& name : singleSentenceNames()) {
        m_ui->cmb_NMEA->addItem(QString::fromStdString(name));
    }
    m_ui->cmb_NMEA->setCurrentIndex(0);

    setBackColor(*m_ui->txt_ROT, kInactiveColour);

    restoreStoredValues();
    applyStartControls(start.controls);
    m_loading = false;
    controlsChanged();
    for (const std::string& value : m_simulation.startReceiver(start.receiver)) {
        showOutputProblem(unusableSetting(value).message());
    }
    showReceiverChoices();
    startOutputs(start);
    // The ship starts Stopped with an empty voyage: the run cycle was made so.

    // A keyboard user starts at the first control of the focus order.
    m_ui->chk_sum->setFocus(Qt::OtherFocusReason);
}

void FRM_NMEA::chdirv(const QString& longpath) {
    // There are no drives here; a folder that cannot be entered is ignored.
    QDir::setCurrent(longpath);
}

void FRM_NMEA::restoreStoredValues() {
    // Records the defaults and puts back what the settings file holds; a restored port entry
    // opens that port through cmb_PORT_Click.
    m_autoconfig->attach_form(*m_configForm, true);
}

void FRM_NMEA::applyStartControls(const ControlOverrides& controls) {
    // Each value goes into its control as the operator would put it there; the store is told,
    // so that it neither counts the value as a change nor saves it.
    OverrideHooks hooks;
    hooks.autopilot = [this] { Enable_AutoPilot(); };
    hooks.steering = [this] { Enable_Steering(); };
    hooks.record = [this](const std::string& name, const std::string& before, const std::string& given) {
        m_configForm->recordOverride(name, before, given);
    };
    hooks.portShownAlready = [this] { cmb_PORT_Click(); };  // the entry shown already: open its port anew
    applyControlOverrides(*m_configAdapter, controls, m_simulation.cycle(), hooks);
}

void FRM_NMEA::controlsChanged() {
    if (!m_loading) {
        m_simulation.cycle().setControls(
            readRunControls(*m_configAdapter, autopilotOn() ? SteeringMode::Autopilot : SteeringMode::RateOfTurn));
    }
}

void FRM_NMEA::showPicture(QPushButton& button, const QLabel& holder) {
    button.setIcon(QIcon(holder.pixmap()));
}

// ---------------------------------------------------------------------------------------------
// Run cycle

void FRM_NMEA::CMD_GO_Click(int Index) {
    if (Index == 0) {
        m_simulation.cycle().runOrPause();
    } else if (Index == 1) {
        m_simulation.cycle().stop();
    }
    showRunState();
}

void FRM_NMEA::showRunState() {
    // Stopped: Run picture, Stop disabled; Running: Pause picture; Paused: Run picture, Stop
    // enabled.
    const RunCycle::State state = m_simulation.cycle().state();
    showPicture(*m_ui->CMD_GO_0, state == RunCycle::State::Running ? *m_ui->PIC_Pause : *m_ui->PIC_RUN);
    m_ui->CMD_GO_1->setEnabled(state != RunCycle::State::Stopped);
}

void FRM_NMEA::Timer1_Timer() {
    Move_Ship();
}

void FRM_NMEA::Move_Ship() {
    // The simulation's tick: a scenario's timeline and simulated clock move with it.
    m_simulation.tick();
    afterTick();
}

void FRM_NMEA::sendSentence(const std::string& sentence) {
    m_simulation.send(sentence);
}

// ---------------------------------------------------------------------------------------------
// Outputs besides the serial port

void FRM_NMEA::startOutputs(const WindowStart& start) {
    showOutputProblems(m_simulation.startOutputs(start.outputs));
    showOutputStatus();
}

void FRM_NMEA::switchOutput(bool OutputSettings::*which, bool on) {
    showOutputProblems(m_simulation.switchOutput(which, on));
    showOutputStatus();
}

void FRM_NMEA::changeOutputs(const OutputSettings& settings) {
    showOutputProblems(m_simulation.changeOutputs(settings));
    showOutputStatus();
}

void FRM_NMEA::showOutputProblems(const std::vector<Failure>& problems) {
    for (const Failure& problem : problems) {
        showOutputProblem(problem.message());
    }
}

void FRM_NMEA::mnuOutputSettings_Click() {
    OutputDialog dialog(m_simulation.outputSettings(), this);
    if (dialog.exec() == QDialog::Accepted) {
        changeOutputs(dialog.settings());
    }
}

void FRM_NMEA::showOutputStatus() {
    // The menu items say which outputs are on, where, and how many TCP clients are connected.
    const OutputSettings& settings = m_simulation.outputSettings();
    const auto show = [](QAction& item, const QString& name, bool asked, const OutputState& state,
                         const QString& extra) {
        QString text = name;
        if (asked && state.running) {
            text += QStringLiteral("  ") + QString::fromStdString(state.where) + extra;
        } else if (asked && !state.problem.empty()) {
            text += QStringLiteral("  (not running)");
        }
        item.setText(text);
        item.setToolTip(QString::fromStdString(state.problem));
        item.setChecked(asked);
    };
    const OutputState tcp = m_simulation.outputState(OutputRole::Tcp);
    const int clients = std::max(tcp.clients, 0);
    const QString clientText = clients == 1 ? QStringLiteral(", 1 client") : QStringLiteral(", %1 clients").arg(clients);
    show(*m_ui->mnuOutputTcp, QStringLiteral("TCP Server"), settings.tcp, tcp, clientText);
    show(*m_ui->mnuOutputUdp, QStringLiteral("UDP"), settings.udp, m_simulation.outputState(OutputRole::Udp), {});
    show(*m_ui->mnuOutputPty, QStringLiteral("Virtual Serial Port"), settings.pty,
         m_simulation.outputState(OutputRole::Pty), {});
    m_ui->mnuOutputUtc->setChecked(settings.utc);
    m_ui->mnuOutput->setToolTipsVisible(true);
}

void FRM_NMEA::showOutputProblem(const std::string& problem) {
    m_services.dialogs.showError(problem);
}

// ---------------------------------------------------------------------------------------------
// Steering

void FRM_NMEA::setBackColor(QLineEdit& field, std::uint32_t colour) {
    if (&field == m_ui->txt_DIR) {
        m_dirBackColor = colour;
    } else if (&field == m_ui->txt_ROT) {
        m_rotBackColor = colour;
    }
    QPalette palette = field.palette();
    palette.setColor(QPalette::Base, displayColour(colour, QMainWindow::palette()));
    field.setPalette(palette);
}

void FRM_NMEA::Enable_AutoPilot() {
    setBackColor(*m_ui->txt_ROT, kInactiveColour);
    setBackColor(*m_ui->txt_DIR, kActiveColour);
    controlsChanged();
}

void FRM_NMEA::Enable_Steering() {
    setBackColor(*m_ui->txt_ROT, kActiveColour);
    setBackColor(*m_ui->txt_DIR, kInactiveColour);
    controlsChanged();
}

void FRM_NMEA::txt_DIR_Click() {
    Enable_AutoPilot();
    m_simulation.cycle().setAutopilotCourse(number_from_text(textOf(*m_ui->txt_DIR)));
}

void FRM_NMEA::txt_DIR_Change() {
    if (autopilotOn()) {
        m_simulation.cycle().setAutopilotCourse(number_from_text(textOf(*m_ui->txt_DIR)));
    }
}

void FRM_NMEA::Label16_Click() {
    autopilotStep(-kCourseStepDegrees);
}

void FRM_NMEA::Label17_Click() {
    autopilotStep(kCourseStepDegrees);
}

void FRM_NMEA::txt_ROT_Click() {
    Enable_Steering();
}

void FRM_NMEA::txt_ROT_Change() {
    if (steeringOn()) {
        m_simulation.cycle().setDemandedRate(number_from_text(textOf(*m_ui->txt_ROT)));
    }
}

void FRM_NMEA::Label14_Click() {
    steeringStep(-kRateStepDegreesPerSecond);
}

void FRM_NMEA::Label15_Click() {
    steeringStep(kRateStepDegreesPerSecond);
}

void FRM_NMEA::autopilotStep(double degrees) {
    // A text that is not wholly a number has no sound step: leave the text and the mode alone.
    const std::optional<double> course = strictNumberFromText(textOf(*m_ui->txt_DIR));
    if (!course) {
        return;
    }
    Enable_AutoPilot();
    double stepped = *course + degrees;
    Wrap_Heading(stepped);
    // The field is active now, so its change handler takes the shown whole degrees as the course.
    m_ui->txt_DIR->setText(QString::fromStdString(heading_format(stepped)));
}

void FRM_NMEA::steeringStep(double degrees_per_second) {
    const std::optional<double> rate = strictNumberFromText(textOf(*m_ui->txt_ROT));
    if (!rate) {
        return;
    }
    Enable_Steering();
    m_ui->txt_ROT->setText(QString::fromStdString(shortestNumberText(*rate + degrees_per_second)));
}

void FRM_NMEA::UpDown1_UpClick() {
    stepSpeed(kSpeedStepKnots);
}

void FRM_NMEA::UpDown1_DownClick() {
    stepSpeed(-kSpeedStepKnots);
}

void FRM_NMEA::stepSpeed(double knots) {
    const std::optional<double> speed = strictNumberFromText(textOf(*m_ui->txt_SPEED));
    if (!speed) {
        return;
    }
    m_ui->txt_SPEED->setText(QString::fromStdString(shortestNumberText(std::max(0.0, *speed + knots))));
}

bool FRM_NMEA::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == m_ui->txt_DIR) {
            txt_DIR_Click();
        } else if (watched == m_ui->txt_ROT) {
            txt_ROT_Click();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Port, baud rate, voyage and help commands

void FRM_NMEA::cmb_PORT_Click() {
    m_simulation.ports().select(m_ui->cmb_PORT->currentIndex());
}

void FRM_NMEA::MNU_Baud_Click(int Index) {
    m_simulation.ports().chooseBaud(Index, m_ui->cmb_PORT->currentIndex());
}

void FRM_NMEA::mnuSaveAs_Click() {
    m_voyageCommands->saveVoyage();
}

void FRM_NMEA::mnuLoad_Click() {
    m_voyageCommands->loadVoyage();
}

bool FRM_NMEA::loadVoyage(const std::string& path) {
    return m_voyageCommands->loadVoyageFrom(path);
}

bool FRM_NMEA::addOutput(const std::string& endpoint) {
    if (const std::optional<Failure> problem = m_simulation.addRunOutput(endpoint)) {
        m_services.dialogs.showError(problem->message());
        return false;
    }
    showOutputStatus();
    return true;
}

void FRM_NMEA::mnuNew_Click() {
    // The voyage, a scenario and a route all end.
    m_voyageCommands->endVoyage();
    if (m_scenario) {
        endScenario();
    }
    m_simulation.cycle().followRoute(std::nullopt);
    showProgress();
    showChart();
}

void FRM_NMEA::HelpIndex_Click() {
    HELP_CHM::Show_Help_Index(m_services.helpViewer, winId());
}

void FRM_NMEA::HelpAbout_Click() {
    // The year is read from the date each time the box opens.
    m_services.dialogs.showAbout(m_versionText, m_services.clock.localNow().year);
}

void FRM_NMEA::Image1_Click() {
    if (m_services.dialogs.confirmOnline()) {
        Activate_Browser(QString::fromUtf8(kSiteAddress.data(), qsizetype(kSiteAddress.size())));
    }
}

bool FRM_NMEA::Activate_Browser(const QString& address) {
    return m_services.browser.open(address.toStdString());
}

// ---------------------------------------------------------------------------------------------
// Receiver, routes, scenarios, GPX, AIS targets and the track view

ReceiverChoices FRM_NMEA::userReceiver() const {
    return m_scenario ? m_userReceiver : m_simulation.receiverChoices();
}

void FRM_NMEA::changeReceiver(const ReceiverChoices& choices) {
    m_userReceiver = choices;
    if (const std::optional<Failure> failure = m_simulation.changeReceiver(choices)) {
        m_services.dialogs.showError(failure->message());
    }
    m_view->forgetFix();
    showReceiverChoices();
}

void FRM_NMEA::showReceiverChoices() {
    const ReceiverChoices& running = m_simulation.receiverChoices();
    m_ui->mnuNoFix->setChecked(!running.fixAvailable);
    m_ui->mnuDifferential->setChecked(running.differential);
}

void FRM_NMEA::mnuSentences_Click() {
    ReceiverDialog dialog(userReceiver(),
                          QString::fromStdString(budgetText(m_budgetNote, m_simulation.lineBaud())), this);
    if (dialog.exec() == QDialog::Accepted) {
        changeReceiver(dialog.choices());
    }
}

void FRM_NMEA::mnuNoFix_Click(bool on) {
    ReceiverChoices choices = userReceiver();
    choices.fixAvailable = !on;
    changeReceiver(choices);
}

void FRM_NMEA::mnuDifferential_Click(bool on) {
    ReceiverChoices choices = userReceiver();
    choices.differential = on;
    changeReceiver(choices);
}

void FRM_NMEA::mnuFollowRoute_Click() {
    if (const std::optional<std::string> path = m_services.fileDialogs.openFileName(FileKind::Gpx)) {
        followRouteFile(*path);
    }
}

bool FRM_NMEA::followRouteFile(const std::string& path) {
    GpxRead read = readGpxFile(path, DiskFileSource());
    if (!read.route) {
        m_services.dialogs.showError(read.error.text());
        return false;
    }
    m_services.fileDialogs.fileUsed(path);
    followRoute(std::move(*read.route));
    return true;
}

void FRM_NMEA::followRoute(Route route) {
    m_simulation.cycle().followRoute(RouteFollower(std::move(route)));
    showProgress();
    showChart();
}

void FRM_NMEA::mnuRunScenario_Click() {
    if (const std::optional<std::string> path = m_services.fileDialogs.openFileName(FileKind::Scenario)) {
        runScenarioFile(*path);
    }
}

bool FRM_NMEA::runScenarioFile(const std::string& path) {
    ScenarioRead read = readScenarioFile(path, DiskFileSource());
    if (!read.scenario) {
        m_services.dialogs.showError(scenarioRefusalText(read.errors));
        return false;
    }
    m_services.fileDialogs.fileUsed(path);
    if (m_scenario) {
        endScenario();
    }
    // The scenario's ship starts afresh: a voyage playing ends, the ship stops.
    if (m_simulation.cycle().voyage().isPlaying()) {
        m_voyageCommands->endVoyage();
    } else {
        CMD_GO_Click(1);
    }
    m_userReceiver = m_simulation.receiverChoices();
    // The scenario's values go into the controls as the command line's do: shown, never saved.
    OverrideHooks hooks;
    hooks.autopilot = [this] { Enable_AutoPilot(); };
    hooks.steering = [this] { Enable_Steering(); };
    hooks.record = [this](const std::string& name, const std::string& before, const std::string& given) {
        m_configForm->recordOverride(name, before, given);
    };
    m_scenarioName = file_title(path, false, false);
    m_scenario = std::make_unique<ScenarioRun>(m_simulation, *m_configForm, std::move(hooks), std::function<void()>(),
                                               std::move(*read.scenario));
    m_scenario->start();
    m_view->forgetFix();
    CMD_GO_Click(0);
    showProgress();
    showChart();
    return true;
}

void FRM_NMEA::afterTick() {
    if (m_scenario && m_scenario->ended()) {
        endScenario();
    }
}

void FRM_NMEA::endScenario() {
    // The ship stops; what the scenario set for its run goes: its route, its clock, its sky, its
    // faults and its receiver.
    const std::uint64_t seed = m_scenario->scenario().start.seed;
    m_scenario.reset();
    CMD_GO_Click(1);
    RunCycle& cycle = m_simulation.cycle();
    cycle.followRoute(std::nullopt);
    cycle.setClock(m_services.clock);
    cycle.sky() = SkyConditions{};
    cycle.setSeed(seed);  // the faults switched on are dropped with their generator
    m_simulation.setReceiver(m_userReceiver);
    showReceiverChoices();
    showProgress();
    showChart();
}

void FRM_NMEA::mnuExportGpx_Click() {
    const std::vector<TrackFix>& track = m_simulation.cycle().track();
    if (track.empty()) {
        m_services.dialogs.showError(kNoTrackMessage);
        return;
    }
    const std::optional<std::string> path = m_services.fileDialogs.saveFileName(FileKind::Gpx);
    if (!path) {
        return;
    }
    const std::string title = file_title(*path, false, false);
    const std::string gpx = trackGpx(title.empty() ? std::string(kDefaultTrackName) : title, track);
    if (const std::error_code error = writeFileAtomically(*path, gpx)) {
        m_services.dialogs.showError(systemFailure("The track could not be written to " + *path, error.value()).message());
        return;
    }
    m_services.fileDialogs.fileUsed(*path);
}

void FRM_NMEA::saveRouteGpx(const std::vector<RouteWaypoint>& waypoints) {
    const std::optional<std::string> path = m_services.fileDialogs.saveFileName(FileKind::Gpx);
    if (!path) {
        return;
    }
    const std::string title = file_title(*path, false, false);
    const std::string gpx = routeGpx(routeOf(title.empty() ? std::string(kDrawnRouteName) : title, waypoints));
    if (const std::error_code error = writeFileAtomically(*path, gpx)) {
        m_services.dialogs.showError(systemFailure("The route could not be written to " + *path, error.value()).message());
        return;
    }
    m_services.fileDialogs.fileUsed(*path);
}

void FRM_NMEA::mnuAisTargets_Click() {
    // A new target starts where the ship is (or would start).
    const RunCycle& cycle = m_simulation.cycle();
    const bool moved = !cycle.track().empty();
    const TargetFields blank = newTargetFields(moved ? cycle.lastFix().latitude : cycle.controls().startLatitude,
                                               moved ? cycle.lastFix().longitude : cycle.controls().startLongitude);
    AisTargetsDialog dialog(targetsNow(cycle.fleet()), blank, this);
    if (dialog.exec() != QDialog::Accepted || !dialog.changed()) {
        return;
    }
    FleetBuild build = buildFleet(dialog.targets());
    if (!build.fleet) {
        m_services.dialogs.showError(build.problem);
        return;
    }
    m_simulation.cycle().setFleet(std::move(*build.fleet));
    showChart();
}

void FRM_NMEA::mnuOwnShipAis_Click(bool on) {
    m_simulation.cycle().setOwnShipAis(on);
}

void FRM_NMEA::mnuTrack_Click() {
    if (m_trackView == nullptr) {
        m_trackView = new TrackView(this);
        m_trackView->setCoastline(m_services.coastline);
        m_trackView->appendTrack(TrackKind::Sent, trackPoints(m_simulation.cycle().track()));
        connect(m_trackView, &TrackView::startPositionPicked, this, &FRM_NMEA::startPositionPicked);
        connect(m_trackView, &TrackView::followRouteRequested, this,
                [this](const std::vector<RouteWaypoint>& waypoints) { followRoute(routeOf(kDrawnRouteName, waypoints)); });
        connect(m_trackView, &TrackView::saveRouteRequested, this, &FRM_NMEA::saveRouteGpx);
        const QRect frame = frameGeometry();
        const QRect screen = this->screen()->availableGeometry();
        const WindowFrame placed =
            placeBeside(WindowFrame{frame.x(), frame.y(), frame.width(), frame.height()}, m_trackView->width(),
                        m_trackView->height(), WindowFrame{screen.x(), screen.y(), screen.width(), screen.height()},
                        kTrackViewGapPixels);
        m_trackView->move(placed.x, placed.y);
        showChart();
    }
    m_trackView->show();
    m_trackView->raise();
    m_trackView->activateWindow();
}

void FRM_NMEA::startPositionPicked(double lat, double lon) {
    // As the operator would type it: the boxes' own change handlers hand the position over.
    m_ui->txt_lat->setText(QString::fromStdString(positionBoxText(lat, true)));
    m_ui->txt_lon->setText(QString::fromStdString(positionBoxText(lon, false)));
}

void FRM_NMEA::fixShown(const Fix& fix) {
    showProgress();
    if (m_trackView != nullptr) {
        m_trackView->setSnapshot(chartSnapshot(&fix, m_simulation.cycle().route(), m_simulation.cycle().fleet()));
        m_trackView->appendTrack(TrackKind::Sent, GeoPoint{fix.latitude, fix.longitude});
    }
}

void FRM_NMEA::showProgress() {
    // The playback line belongs to a voyage while one plays.
    if (m_simulation.cycle().voyage().isPlaying()) {
        return;
    }
    const RouteFollower* route = m_simulation.cycle().route();
    const std::string text = progressLineText(
        m_scenario ? scenarioProgressText(m_scenarioName, m_scenario->elapsed(), m_scenario->scenario().end) : std::string(),
        route != nullptr ? routeProgressText(*route) : std::string());
    if (!text.empty() || m_progressShown) {
        m_ui->LabPlaying->setWholeText(QString::fromStdString(text));
    }
    m_progressShown = !text.empty();
}

void FRM_NMEA::showChart() {
    if (m_trackView == nullptr) {
        return;
    }
    const RunCycle& cycle = m_simulation.cycle();
    m_trackView->setSnapshot(chartSnapshot(cycle.track().empty() ? nullptr : &cycle.lastFix(), cycle.route(),
                                           cycle.fleet()));
}

// ---------------------------------------------------------------------------------------------
// Closing

void FRM_NMEA::closeEvent(QCloseEvent* event) {
    // The window never closes by itself: only query_close ends the program.
    event->ignore();
    Form_QueryUnload();
}

void FRM_NMEA::Form_QueryUnload() {
    query_close();
}

void FRM_NMEA::query_close() {
    m_autoconfig->query_close(*m_configForm);
}

void FRM_NMEA::endProgram() {
    // No tick runs once the program ends.
    m_services.ticker.stop();
    m_simulation.stopOutputs();
    m_services.programEnd.leaveEventLoop();
}

}  // namespace pelora
