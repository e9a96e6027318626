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
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "config/autoconfig.h"
#include "nmea/position_entry.h"
#include "nmea/sentence.h"
#include "nmea/port_manager.h"
#include "platform/device_map.h"
#include "platform/browser.h"
#include "platform/qt_file_dialogs.h"
#include "platform/help_viewer.h"
#include "platform/qt_config_dialogs.h"
#include "platform/qt_serial_control.h"
#include "platform/qt_settings_store.h"
#include "ui/about_box.h"
#include "ui/config_form_adapter.h"
#include "ui/help_chm.h"
#include "platform/system_clock.h"
#include "sim/navigation.h"
#include "text/number_text.h"
#include "text/text.h"
#include "sim/random_source.h"
#include "ui_FRM_NMEA.h"

// The images live in a static library; their resource must be registered by hand.
static void registerWindowImages() {
    Q_INIT_RESOURCE(images);
}

namespace pelora {

namespace {

constexpr auto kTickInterval = std::chrono::milliseconds(1000);
constexpr double kFixedFontPoints = 8.25;
constexpr double kSpeedStepKnots = 1.0;
constexpr double kCourseStepDegrees = 1.0;
constexpr double kRateStepDegreesPerSecond = 0.5;
constexpr int kVersionMajor = PELORA_VERSION_MAJOR;
constexpr int kVersionMinor = PELORA_VERSION_MINOR;
constexpr int kVersionPatch = PELORA_VERSION_PATCH;

// The title of the program's own message boxes.
const QString kApplicationTitle = QStringLiteral("Pelora");

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

// What the port management shows: the status line, the settings label, the port list and the
// baud menu's check marks.
class WindowPortView final : public PortView {
public:
    WindowPortView(Ui::FRM_NMEA& ui, std::function<void(const std::string&)> showNotice)
        : m_ui(ui), m_showNotice(std::move(showNotice)) {}

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
    void showNoPortsMessage(const std::string& text) override { m_showNotice(text); }

private:
    Ui::FRM_NMEA& m_ui;
    std::function<void(const std::string&)> m_showNotice;
};

FRM_NMEA::FRM_NMEA(const WindowServices& services, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_ui(std::make_unique<Ui::FRM_NMEA>()),
      m_services(services),
      m_timer1(new QTimer(this)) {
    registerWindowImages();
    fillInRealServices();
    m_portView = std::make_unique<WindowPortView>(*m_ui, m_services.showNotice);
    m_ports = std::make_unique<PortManager>(*m_services.serial, *m_portView);
    m_autoconfig = std::make_unique<AutoConfig>(*m_services.settings, *m_services.configDialogs,
                                                m_services.applicationName, kApplicationTitle.toStdString(),
                                                [this] { endProgram(); });
    m_voyageCommands = std::make_unique<VoyageCommands>(
        m_voyage, *m_services.fileDialogs,
        VoyageCommandHooks{
            m_services.showError,
            [](const std::string& path) { return file_title(path, false, false); },
            [this] { CMD_GO_Click(1); },
            [this](const std::string& caption) { m_ui->LabPlaying->setText(QString::fromStdString(caption)); }});

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

    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setTimerType(Qt::PreciseTimer);
    m_timer1->setInterval(kTickInterval);

    m_ui->Image1->setCursor(Qt::PointingHandCursor);
    m_configForm = std::make_unique<ConfigFormAdapter>(*this, "FRM_NMEA");
    connectHandlers();
    m_timer1->start();
    Form_Load();
}

FRM_NMEA::~FRM_NMEA() = default;

// Every service the caller left empty becomes the real one.
void FRM_NMEA::fillInRealServices() {
    if (m_services.clock == nullptr) {
        m_systemClock = std::make_unique<SystemClock>();
        m_services.clock = m_systemClock.get();
    }
    if (m_services.random == nullptr) {
        m_programRandom = std::make_unique<ProgramRandom>();
        m_services.random = m_programRandom.get();
    }
    if (m_services.fileDialogs == nullptr) {
        m_qtFileDialogs = std::make_unique<QtFileDialogs>(this);
        m_services.fileDialogs = m_qtFileDialogs.get();
    }
    if (!m_services.showError) {
        m_services.showError = [this](const std::string& message) {
            QMessageBox::warning(this, kApplicationTitle, QString::fromStdString(message));
        };
    }
    if (m_services.applicationName.empty()) {
        m_services.applicationName = applicationName();
    }
    if (m_services.serial == nullptr) {
        m_deviceMap = std::make_unique<DeviceMap>(QString::fromStdString(m_services.applicationName));
        auto* port = new QtSerialControl([map = m_deviceMap.get()](int n) { return map->devicePath(n); }, this);
        port->setObjectName(QStringLiteral("MSComm1"));
        m_services.serial = port;
    }
    if (!m_services.showNotice) {
        m_services.showNotice = [this](const std::string& text) {
            QMessageBox box(QMessageBox::NoIcon, kApplicationTitle,
                            QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                            QMessageBox::Ok, this);
            box.exec();
        };
    }
    if (m_services.settings == nullptr) {
        m_qtSettings = std::make_unique<QtSettingsStore>(m_services.applicationName);
        m_services.settings = m_qtSettings.get();
    }
    if (m_services.configDialogs == nullptr) {
        m_qtConfigDialogs = std::make_unique<QtConfigDialogs>(this);
        m_services.configDialogs = m_qtConfigDialogs.get();
    }
    if (m_services.helpViewer == nullptr) {
        m_qtHelpViewer = std::make_unique<QtHelpViewer>();
        m_services.helpViewer = m_qtHelpViewer.get();
    }
    if (!m_services.webLink.openBrowser) {
        m_services.webLink.openBrowser = [this](const QString& address) { return Activate_Browser(address); };
    }
    if (!m_services.showAbout) {
        m_services.showAbout = [this](const QString& versionText, int year) {
            showAboutBox(this, versionText, year);
        };
    }
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
    connect(m_timer1, &QTimer::timeout, this, &FRM_NMEA::Timer1_Timer);
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

    connect(m_ui->cmb_PORT, &QComboBox::currentIndexChanged, this, [this] { cmb_PORT_Click(); });
    // Picking the entry the list already shows changes no index, so Qt reports it only as an
    // activation. The operator does that to reopen a port whose device went away and came back:
    // open it unless that port is open already (a changed pick has just opened it).
    connect(m_ui->cmb_PORT, &QComboBox::activated, this, [this](int index) {
        if (!(m_services.serial->PortOpen() && m_services.serial->CommPort() == index + 1)) {
            cmb_PORT_Click();
        }
    });
    const QList<QAction*> bauds = {m_ui->MNU_Baud_0, m_ui->MNU_Baud_1, m_ui->MNU_Baud_2,
                                   m_ui->MNU_Baud_3, m_ui->MNU_Baud_4};
    for (int index = 0; index < bauds.size(); ++index) {
        bauds[index]->setProperty("index", index);
        connect(bauds[index], &QAction::triggered, this, [this, index] { MNU_Baud_Click(index); });
    }
    connect(m_ui->mnuSaveAs, &QAction::triggered, this, &FRM_NMEA::mnuSaveAs_Click);
    connect(m_ui->mnuLoad, &QAction::triggered, this, &FRM_NMEA::mnuLoad_Click);
    connect(m_ui->mnuNew, &QAction::triggered, this, &FRM_NMEA::mnuNew_Click);
    connect(m_ui->HelpIndex, &QAction::triggered, this, &FRM_NMEA::HelpIndex_Click);
    connect(m_ui->HelpAbout, &QAction::triggered, this, &FRM_NMEA::HelpAbout_Click);
    connect(m_ui->Image1, &ClickLabel::clicked, this, &FRM_NMEA::Image1_Click);
}

// ---------------------------------------------------------------------------------------------
// Start-up

void FRM_NMEA::Form_Load() {
    chdirv(QCoreApplication::applicationDirPath());

    m_versionText = std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
                    std::to_string(kVersionPatch);

    const QString exeName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    setWindowTitle(exeName + QString::fromStdString(blankSigned(kVersionMajor) + "." +
                                                    blankSigned(kVersionMinor) + "." +
                                                    blankSigned(kVersionPatch)));

    showPicture(*m_ui->CMD_GO_0, *m_ui->PIC_RUN);
    showPicture(*m_ui->CMD_GO_1, *m_ui->Pic_stop);
    m_ui->CMD_GO_1->setEnabled(false);

    probePorts();

    m_ui->cmb_NMEA->clear();
    m_ui->cmb_NMEA->addItems({QStringLiteral("GLL"), QStringLiteral("GGA"), QStringLiteral("RMC")});
    m_ui->cmb_NMEA->setCurrentIndex(kSentenceGLL);

    setBackColor(*m_ui->txt_ROT, kInactiveColour);

    restoreStoredValues();

    m_running = false;
    m_voyage = VoyageLog();
}

void FRM_NMEA::chdirv(const QString& longpath) {
    // There are no drives here; a folder that cannot be entered is ignored.
    QDir::setCurrent(longpath);
}

void FRM_NMEA::probePorts() {
    m_ports->probe();
}

void FRM_NMEA::restoreStoredValues() {
    // Records the defaults and puts back what the settings file holds; a restored port entry
    // opens that port through cmb_PORT_Click.
    m_autoconfig->attach_form(*m_configForm, true);
}

void FRM_NMEA::showPicture(QPushButton& button, const QLabel& holder) {
    button.setIcon(QIcon(holder.pixmap()));
}

// ---------------------------------------------------------------------------------------------
// Run cycle

void FRM_NMEA::CMD_GO_Click(int Index) {
    if (Index == 0) {
        if (!m_running) {
            showPicture(*m_ui->CMD_GO_0, *m_ui->PIC_Pause);
            if (!m_ui->CMD_GO_1->isEnabled()) {
                // Starting from Stopped: the position boxes give the start position.
                m_ship.Ship_Lat = User_lat(textOf(*m_ui->txt_lat));
                m_ship.Ship_Lon = user_lon(textOf(*m_ui->txt_lon));
            }
            m_ui->CMD_GO_1->setEnabled(true);
            m_lastTick.reset();
            m_running = true;
        } else {
            showPicture(*m_ui->CMD_GO_0, *m_ui->PIC_RUN);
            m_running = false;
        }
    } else if (Index == 1) {
        m_lastTick.reset();
        m_ship.Ship_ROT = 0;
        m_ship.Ship_Speed = 0;
        m_running = false;
        showPicture(*m_ui->CMD_GO_0, *m_ui->PIC_RUN);
        m_ui->CMD_GO_1->setEnabled(false);
    }
}

void FRM_NMEA::Timer1_Timer() {
    Move_Ship();
}

void FRM_NMEA::Move_Ship() {
    if (!m_running) {
        return;
    }
    if (m_voyage.isPlaying()) {
        // A loaded voyage plays one fix a tick; the ship itself does not move.
        sendSentence(m_voyageCommands->playNext());
        return;
    }
    const std::chrono::milliseconds now = m_services.clock->monotonicNow();

    StepInputs inputs;
    inputs.first_step = !m_lastTick.has_value();
    inputs.dir_number = number_from_text(textOf(*m_ui->txt_DIR));
    inputs.elapsed_ms = inputs.first_step ? 0.0 : static_cast<double>((now - *m_lastTick).count());
    inputs.demanded_speed = number_from_text(textOf(*m_ui->txt_SPEED));
    inputs.response_on = m_ui->chk_Ship_Response->value() == ValueCheckBox::kTicked;
    inputs.response_seconds = number_from_text(textOf(*m_ui->txt_SHIP_Response));
    inputs.sea_on = m_ui->chk_Heavy_Sea->value() == ValueCheckBox::kTicked;
    inputs.sea_metres = number_from_text(textOf(*m_ui->txt_Heavy_Sea));
    inputs.noise_on = m_ui->chk_GPS_Noise->value() == ValueCheckBox::kTicked;
    inputs.noise_metres = number_from_text(textOf(*m_ui->txt_GPS_NOISE));
    inputs.mode = autopilotOn() ? SteeringMode::Autopilot : SteeringMode::RateOfTurn;

    const StepResult result = advanceShip(m_ship, inputs, *m_services.random);
    if (result.dir_text) {
        m_ui->txt_DIR->setText(QString::fromStdString(*result.dir_text));
    }
    if (result.readouts_changed) {
        m_ui->LAB_COG->setText(QString::fromStdString(m_ship.COG_Text));
        m_ui->LAB_SOG->setText(QString::fromStdString(m_ship.SOG_Text));
    }
    m_lastTick = now;

    const int sentenceType = m_ui->cmb_NMEA->currentIndex();
    const std::string bare =
        NMEA(result.reported_lon, result.reported_lat, decimalPlacesFromText(textOf(*m_ui->txt_DPS)),
             m_ui->chk_NLZ->value() == ValueCheckBox::kTicked, sentenceType, m_ship.SOG_Text,
             m_ship.COG_Text, m_services.clock->localNow());
    const std::string sentence = withChecksumIfDue(bare, m_ui->chk_sum->value(), sentenceType);

    m_voyage.record(sentence);

    sendSentence(sentence);
}

void FRM_NMEA::sendSentence(const std::string& sentence) {
    m_ports->writeSentence(sentence);
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
    m_ship.AutoPilot_Dir = number_from_text(textOf(*m_ui->txt_DIR));
}

void FRM_NMEA::txt_DIR_Change() {
    if (autopilotOn()) {
        m_ship.AutoPilot_Dir = number_from_text(textOf(*m_ui->txt_DIR));
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
        m_ship.Demand_ROT = number_from_text(textOf(*m_ui->txt_ROT));
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

void FRM_NMEA::mnuNew_Click() {
    m_voyageCommands->endVoyage();
}
void FRM_NMEA::HelpIndex_Click() {
    HELP_CHM::Show_Help_Index(*m_services.helpViewer, this);
}

void FRM_NMEA::HelpAbout_Click() {
    // The year is read from the date each time the box opens.
    m_services.showAbout(QString::fromStdString(m_versionText), m_services.clock->localNow().year);
}

void FRM_NMEA::Image1_Click() {
    visitWebsite(this, m_services.webLink);
}

bool FRM_NMEA::Activate_Browser(const QString& address) {
    return pelora::Activate_Browser(address);
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
    m_timer1->stop();
    closeSerialPort();
    if (m_services.leaveEventLoop) {
        m_services.leaveEventLoop();
    } else {
        QCoreApplication::exit(0);
    }
}

void FRM_NMEA::closeSerialPort() {
    if (m_services.serial->PortOpen()) {
        m_services.serial->setPortOpen(false);
    }
}

}  // namespace pelora
