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

#include "config/autoconfig.h"
#include "config/output_settings.h"
#include "config/overridden_form.h"
#include "run/port_manager.h"
#include "nmea/sentence.h"
#include "platform/app_identity.h"
#include "files/voyage_recorder.h"
#include "sim/navigation.h"
#include "text/number_text.h"
#include "text/text.h"
#include "dialogs/about_text.h"
#include "ui/config_form_adapter.h"
#include "ui/help_chm.h"
#include "dialogs/output_dialog.h"
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

// What the port management shows: the status line and its tool tip, the settings label, the
// port list and the baud menu's check marks.
class WindowPortView final : public PortView {
public:
    WindowPortView(Ui::FRM_NMEA& ui, WindowDialogs& dialogs) : m_ui(ui), m_dialogs(dialogs) {}

    void setStatusText(const std::string& text) override {
        m_ui.LAB_NMEA->setText(QString::fromStdString(text));
    }
    void setStatusToolTip(const std::string& text) override {
        m_ui.LAB_NMEA->setToolTip(QString::fromStdString(text));
    }
    void setBaudRateText(const std::string& text) override {
        m_ui.Lab_BaudRate->setText(QString::fromStdString(text));
    }
    void setPortEntries(const std::vector<std::string>& entries) override {
        // Filling the list selects nothing and must not run the port's selection handler.
        const QSignalBlocker blocker(m_ui.cmb_PORT);
        m_ui.cmb_PORT->clear();
        for (const std::string& entry : entries) {
            m_ui.cmb_PORT->addItem(QString::fromStdString(entry));
        }
        m_ui.cmb_PORT->setCurrentIndex(-1);
    }
    void setBaudChecked(int index, bool checked) override {
        const QList<QAction*> bauds = {m_ui.MNU_Baud_0, m_ui.MNU_Baud_1, m_ui.MNU_Baud_2,
                                       m_ui.MNU_Baud_3, m_ui.MNU_Baud_4};
        if (index >= 0 && index < bauds.size()) {
            bauds[index]->setChecked(checked);
        }
    }
    void showNoPortsMessage(const std::string& text) override { m_dialogs.showNotice(text); }

private:
    Ui::FRM_NMEA& m_ui;
    WindowDialogs& m_dialogs;
};

// What a tick reads from the window's controls and shows in them.
class WindowRunPanel final : public RunPanel {
public:
    explicit WindowRunPanel(FRM_NMEA& window) : m_window(window) {}

    RunControls controls() const override {
        const Ui::FRM_NMEA& ui = *m_window.m_ui;
        RunControls controls;
        controls.speed = textOf(*ui.txt_SPEED);
        controls.course = textOf(*ui.txt_DIR);
        controls.responseOn = ui.chk_Ship_Response->value() == ValueCheckBox::kTicked;
        controls.responseSeconds = textOf(*ui.txt_SHIP_Response);
        controls.seaOn = ui.chk_Heavy_Sea->value() == ValueCheckBox::kTicked;
        controls.seaMetres = textOf(*ui.txt_Heavy_Sea);
        controls.noiseOn = ui.chk_GPS_Noise->value() == ValueCheckBox::kTicked;
        controls.noiseMetres = textOf(*ui.txt_GPS_NOISE);
        controls.decimalPlaces = textOf(*ui.txt_DPS);
        controls.leadingZeros = ui.chk_NLZ->value() == ValueCheckBox::kTicked;
        controls.checksumBox = ui.chk_sum->value();
        controls.sentenceType = ui.cmb_NMEA->currentIndex();
        controls.autopilot = m_window.autopilotOn();
        return controls;
    }
    std::string startLatitude() const override { return textOf(*m_window.m_ui->txt_lat); }
    std::string startLongitude() const override { return textOf(*m_window.m_ui->txt_lon); }
    void showCourse(const std::string& text) override {
        m_window.m_ui->txt_DIR->setText(QString::fromStdString(text));
    }
    void showReadouts(const std::string& cog, const std::string& sog) override {
        m_window.m_ui->LAB_COG->setText(QString::fromStdString(cog));
        m_window.m_ui->LAB_SOG->setText(QString::fromStdString(sog));
    }
    void showPlaying(const std::string& caption) override {
        m_window.m_ui->LabPlaying->setWholeText(QString::fromStdString(caption));
    }

private:
    FRM_NMEA& m_window;
};

FRM_NMEA::FRM_NMEA(const WindowServices& services, const WindowStart& start, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_services(services),
      m_ui(std::make_unique<Ui::FRM_NMEA>()),
      m_portView(std::make_unique<WindowPortView>(*m_ui, m_services.dialogs)),
      m_ports(std::make_unique<PortManager>(m_services.serial, *m_portView)),
      m_panel(std::make_unique<WindowRunPanel>(*this)),
      m_cycle(std::make_unique<RunCycle>(m_services.clock, m_services.random, *m_ports,
                                         m_services.outputs, *m_panel)),
      m_autoconfig(std::make_unique<AutoConfig>(m_services.settings, m_services.configDialogs,
                                                m_services.applicationName, std::string(kAppTitle),
                                                [this] { endProgram(); })),
      m_voyageCommands(std::make_unique<VoyageCommands>(
          m_cycle->voyage(), m_services.fileDialogs,
          VoyageCommandHooks{
              [this](const std::string& message) { m_services.dialogs.showError(message); },
              [](const std::string& path) { return file_title(path, false, false); },
              [this] { CMD_GO_Click(1); },
              [this](const std::string& caption) { m_panel->showPlaying(caption); }})) {
    registerWindowImages();
    m_ui->setupUi(this);
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
    m_services.outputs.setListener({});
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
    const QList<QAction*> bauds = {m_ui->MNU_Baud_0, m_ui->MNU_Baud_1, m_ui->MNU_Baud_2,
                                   m_ui->MNU_Baud_3, m_ui->MNU_Baud_4};
    for (int index = 0; index < bauds.size(); ++index) {
        connect(bauds[index], &QAction::triggered, this, [this, index] { MNU_Baud_Click(index); });
    }
    connect(m_ui->mnuOutputTcp, &QAction::triggered, this,
            [this](bool on) { switchOutput(&OutputSettings::tcp, on); });
    connect(m_ui->mnuOutputUdp, &QAction::triggered, this,
            [this](bool on) { switchOutput(&OutputSettings::udp, on); });
    connect(m_ui->mnuOutputPty, &QAction::triggered, this,
            [this](bool on) { switchOutput(&OutputSettings::pty, on); });
    connect(m_ui->mnuOutputUtc, &QAction::triggered, this,
            [this](bool on) { switchOutput(&OutputSettings::utc, on); });
    connect(m_ui->mnuOutputSettings, &QAction::triggered, this, &FRM_NMEA::mnuOutputSettings_Click);
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

    m_ports->probe();

    m_ui->cmb_NMEA->clear();
    m_ui->cmb_NMEA->addItems({QStringLiteral("GLL"), QStringLiteral("GGA"), QStringLiteral("RMC")});
    m_ui->cmb_NMEA->setCurrentIndex(kSentenceGLL);

    setBackColor(*m_ui->txt_ROT, kInactiveColour);

    restoreStoredValues();
    applyStartControls(start.controls);
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
    const auto give = [this](QWidget& control, const std::function<void()>& assign) {
        // The stored property is read as the store reads it, through the window's form.
        const std::string name = control.objectName().toStdString();
        const auto read = [this, &name]() -> std::string {
            for (const std::unique_ptr<ConfigControl>& candidate : m_configAdapter->controls()) {
                if (candidate->name() == name) {
                    return candidate->readProperty(storedProperty(name).value_or("")).value_or("");
                }
            }
            return {};
        };
        const std::string before = read();
        assign();
        m_configForm->recordOverride(name, before, read());
    };
    const auto giveText = [&](QLineEdit& field, const std::optional<std::string>& text) {
        if (text) {
            give(field, [&] { field.setText(QString::fromStdString(*text)); });
        }
    };
    const auto tick = [&](ValueCheckBox& box, int value) {
        give(box, [&] { box.setValue(value); });
    };
    if (controls.sentenceType) {
        give(*m_ui->cmb_NMEA, [&] { m_ui->cmb_NMEA->setCurrentIndex(*controls.sentenceType); });
    }
    if (controls.checksum) {
        tick(*m_ui->chk_sum, ValueCheckBox::kTicked);
    }
    if (controls.noLeadingZeros) {
        tick(*m_ui->chk_NLZ, ValueCheckBox::kClear);
    }
    giveText(*m_ui->txt_DPS, controls.decimalPlaces);
    giveText(*m_ui->txt_lat, controls.latitude);
    giveText(*m_ui->txt_lon, controls.longitude);
    giveText(*m_ui->txt_SPEED, controls.speed);
    if (controls.course) {
        // The course box becomes active first, so that its change handler takes the course.
        Enable_AutoPilot();
        giveText(*m_ui->txt_DIR, controls.course);
        m_cycle->ship().AutoPilot_Dir = number_from_text(*controls.course);
    }
    if (controls.rate) {
        Enable_Steering();
        giveText(*m_ui->txt_ROT, controls.rate);
        m_cycle->ship().Demand_ROT = number_from_text(*controls.rate);
    }
    if (controls.responseSeconds) {
        tick(*m_ui->chk_Ship_Response, ValueCheckBox::kTicked);
        giveText(*m_ui->txt_SHIP_Response, controls.responseSeconds);
    }
    if (controls.seaMetres) {
        tick(*m_ui->chk_Heavy_Sea, ValueCheckBox::kTicked);
        giveText(*m_ui->txt_Heavy_Sea, controls.seaMetres);
    }
    if (controls.noiseMetres) {
        tick(*m_ui->chk_GPS_Noise, ValueCheckBox::kTicked);
        giveText(*m_ui->txt_GPS_NOISE, controls.noiseMetres);
    }
    if (controls.port) {
        give(*m_ui->cmb_PORT, [&] {
            if (m_ui->cmb_PORT->currentIndex() == *controls.port - 1) {
                cmb_PORT_Click();  // the entry shown already: open its port anew
            } else {
                m_ui->cmb_PORT->setCurrentIndex(*controls.port - 1);
            }
        });
    }
}

void FRM_NMEA::showPicture(QPushButton& button, const QLabel& holder) {
    button.setIcon(QIcon(holder.pixmap()));
}

// ---------------------------------------------------------------------------------------------
// Run cycle

void FRM_NMEA::CMD_GO_Click(int Index) {
    if (Index == 0) {
        m_cycle->runOrPause();
    } else if (Index == 1) {
        m_cycle->stop();
    }
    showRunState();
}

void FRM_NMEA::showRunState() {
    // Stopped: Run picture, Stop disabled; Running: Pause picture; Paused: Run picture, Stop
    // enabled.
    const RunCycle::State state = m_cycle->state();
    showPicture(*m_ui->CMD_GO_0, state == RunCycle::State::Running ? *m_ui->PIC_Pause : *m_ui->PIC_RUN);
    m_ui->CMD_GO_1->setEnabled(state != RunCycle::State::Stopped);
}

void FRM_NMEA::Timer1_Timer() {
    Move_Ship();
}

void FRM_NMEA::Move_Ship() {
    m_cycle->tick();
}

void FRM_NMEA::sendSentence(const std::string& sentence) {
    m_cycle->send(sentence);
}

// ---------------------------------------------------------------------------------------------
// Outputs besides the serial port

void FRM_NMEA::startOutputs(const WindowStart& start) {
    m_storedOutputs = loadOutputSettings(m_services.settings, m_services.applicationName);
    m_outputSettings = start.outputs ? start.outputs(m_storedOutputs) : m_storedOutputs;
    m_services.outputs.setListener([this](const std::string& problem) {
        showOutputStatus();
        if (!problem.empty()) {
            // Shown once the tick or handler that met it has ended, never inside it.
            QMetaObject::invokeMethod(this, [this, problem] { showOutputProblem(problem); },
                                      Qt::QueuedConnection);
        }
    });
    m_cycle->setUtc(m_outputSettings.utc);
    for (const std::string& problem : m_services.outputs.apply(m_outputSettings)) {
        showOutputProblem(problem);
    }
    showOutputStatus();
}

void FRM_NMEA::switchOutput(bool OutputSettings::*which, bool on) {
    OutputSettings settings = m_outputSettings;
    settings.*which = on;
    m_storedOutputs.*which = on;
    changeOutputs(settings);
}

void FRM_NMEA::changeOutputs(const OutputSettings& settings) {
    m_outputSettings = settings;
    // The addresses, ports and link chosen here are the user's: they are kept for later runs.
    m_storedOutputs.tcpAddress = settings.tcpAddress;
    m_storedOutputs.tcpPort = settings.tcpPort;
    m_storedOutputs.udpAddress = settings.udpAddress;
    m_storedOutputs.udpPort = settings.udpPort;
    m_storedOutputs.ptyLink = settings.ptyLink;
    if (const std::optional<SettingsError> error =
            saveOutputSettings(m_services.settings, m_services.applicationName, m_storedOutputs)) {
        showOutputProblem("The output choices could not be saved to " + m_services.settings.location() +
                          ": " + error->reason + ".");
    }
    m_cycle->setUtc(m_outputSettings.utc);
    for (const std::string& problem : m_services.outputs.apply(m_outputSettings)) {
        showOutputProblem(problem);
    }
    showOutputStatus();
}

void FRM_NMEA::mnuOutputSettings_Click() {
    OutputDialog dialog(m_outputSettings, this);
    if (dialog.exec() == QDialog::Accepted) {
        changeOutputs(dialog.settings());
    }
}

void FRM_NMEA::showOutputStatus() {
    // The menu items say which outputs are on, where, and how many TCP clients are connected.
    const OutputStatus status = m_services.outputs.status();
    const auto show = [](QAction& item, const QString& name, bool asked, const OutputStatus::Endpoint& endpoint,
                         const QString& extra) {
        QString text = name;
        if (asked && endpoint.on) {
            text += QStringLiteral("  ") + QString::fromStdString(endpoint.where) + extra;
        } else if (asked && !endpoint.problem.empty()) {
            text += QStringLiteral("  (not running)");
        }
        item.setText(text);
        item.setToolTip(QString::fromStdString(endpoint.problem));
        item.setChecked(asked);
    };
    const QString clients = status.tcpClients == 1
                                ? QStringLiteral(", 1 client")
                                : QStringLiteral(", %1 clients").arg(status.tcpClients);
    show(*m_ui->mnuOutputTcp, QStringLiteral("TCP Server"), m_outputSettings.tcp, status.tcp, clients);
    show(*m_ui->mnuOutputUdp, QStringLiteral("UDP"), m_outputSettings.udp, status.udp, {});
    show(*m_ui->mnuOutputPty, QStringLiteral("Virtual Serial Port"), m_outputSettings.pty, status.pty, {});
    m_ui->mnuOutputUtc->setChecked(m_outputSettings.utc);
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
}

void FRM_NMEA::Enable_Steering() {
    setBackColor(*m_ui->txt_ROT, kActiveColour);
    setBackColor(*m_ui->txt_DIR, kInactiveColour);
}

void FRM_NMEA::txt_DIR_Click() {
    Enable_AutoPilot();
    m_cycle->ship().AutoPilot_Dir = number_from_text(textOf(*m_ui->txt_DIR));
}

void FRM_NMEA::txt_DIR_Change() {
    if (autopilotOn()) {
        m_cycle->ship().AutoPilot_Dir = number_from_text(textOf(*m_ui->txt_DIR));
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
        m_cycle->ship().Demand_ROT = number_from_text(textOf(*m_ui->txt_ROT));
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
    m_ports->cmb_PORT_Click(m_ui->cmb_PORT->currentIndex());
}

void FRM_NMEA::MNU_Baud_Click(int Index) {
    m_ports->MNU_Baud_Click(Index, m_ui->cmb_PORT->currentIndex());
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

bool FRM_NMEA::recordTo(const std::string& path) {
    m_recorder = std::make_unique<VoyageRecorder>(path);
    if (const std::optional<std::string> failure = m_recorder->open()) {
        m_services.dialogs.showError(*failure);
        m_recorder.reset();
        return false;
    }
    m_cycle->setSentListener([this](const std::string& sentence) {
        if (const std::optional<std::string> failure = m_recorder->append(sentence)) {
            // Shown once the tick has ended, never inside it.
            QMetaObject::invokeMethod(this, [this, text = *failure] { m_services.dialogs.showError(text); },
                                      Qt::QueuedConnection);
        }
    });
    return true;
}

void FRM_NMEA::mnuNew_Click() {
    m_voyageCommands->endVoyage();
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
    closeSerialPort();
    m_services.outputs.stopAll();
    m_services.programEnd.leaveEventLoop();
}

void FRM_NMEA::closeSerialPort() {
    if (m_services.serial.PortOpen()) {
        m_services.serial.setPortOpen(false);
    }
}

}  // namespace pelora
