#include "dialogs/output_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QVBoxLayout>

#include <string>
#include <utility>
#include <vector>

#include "config/output_settings.h"
#include "outputs/output_checks.h"
#include "outputs/pty_output.h"

namespace pelora {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

std::string fieldText(const QLineEdit* field) {
    return field->text().trimmed().toStdString();
}

// The further outputs as typed: each line that is not blank, trimmed, with its line number
// (from 1).
std::vector<std::pair<int, std::string>> endpointLines(const QPlainTextEdit* field) {
    std::vector<std::pair<int, std::string>> lines;
    const QStringList typed = field->toPlainText().split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QString line = typed[i].trimmed();
        if (!line.isEmpty()) lines.emplace_back(static_cast<int>(i) + 1, line.toStdString());
    }
    return lines;
}

QString joinedLines(const std::vector<std::string>& lines) {
    QStringList joined;
    for (const std::string& line : lines) joined << text(line);
    return joined.join(QLatin1Char('\n'));
}

QLineEdit* makeField(const QString& name, const std::string& value, QWidget* parent) {
    auto* field = new QLineEdit(text(value), parent);
    field->setObjectName(name);
    return field;
}

}  // namespace

OutputDialog::OutputDialog(const OutputSettings& settings, QWidget* parent)
    : QDialog(parent),
      m_settings(settings),
      m_tcpAddress(makeField(QStringLiteral("tcpAddress"), settings.tcpAddress, this)),
      m_tcpPort(makeField(QStringLiteral("tcpPort"), std::to_string(settings.tcpPort), this)),
      m_udpAddress(makeField(QStringLiteral("udpAddress"), settings.udpAddress, this)),
      m_udpPort(makeField(QStringLiteral("udpPort"), std::to_string(settings.udpPort), this)),
      m_ptyLink(makeField(QStringLiteral("ptyLink"), settings.ptyLink, this)),
      m_endpoints(new QPlainTextEdit(joinedLines(settings.endpoints), this)),
      m_problem(new QLabel(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("Output"));
    m_ptyLink->setPlaceholderText(text(defaultPtyLink()));
    m_tcpAddress->setToolTip(QStringLiteral("127.0.0.1: this computer only; 0.0.0.0: every network"));
    m_udpAddress->setToolTip(QStringLiteral("One computer, or a network's broadcast address such as 192.168.1.255"));
    m_ptyLink->setToolTip(QStringLiteral("Consumers open this path like a serial device; empty for the default"));
    m_endpoints->setObjectName(QStringLiteral("txt_Endpoints"));
    m_endpoints->setToolTip(QStringLiteral("serial:/dev/DEVICE?baud=RATE, tcp://ADDRESS:PORT, tcp-client://HOST:PORT, "
                                           "udp://ADDRESS:PORT, pty:/LINK, file:/PATH or - for standard output"));
    m_endpoints->setTabChangesFocus(true);
    m_problem->setObjectName(QStringLiteral("problem"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_problem->hide();
    m_buttons->setObjectName(QStringLiteral("buttons"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("TCP server address:"), m_tcpAddress);
    form->addRow(QStringLiteral("TCP server port:"), m_tcpPort);
    form->addRow(QStringLiteral("UDP address:"), m_udpAddress);
    form->addRow(QStringLiteral("UDP port:"), m_udpPort);
    form->addRow(QStringLiteral("Virtual serial port link:"), m_ptyLink);
    form->addRow(QStringLiteral("Further outputs (one per line):"), m_endpoints);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &OutputDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &OutputDialog::reject);
}

const OutputSettings& OutputDialog::settings() const {
    return m_settings;
}

OutputSettings OutputDialog::fromFields() const {
    OutputSettings settings = m_settings;
    settings.tcpAddress = fieldText(m_tcpAddress);
    // A port that is not a number is checked as 0, which is out of range.
    settings.tcpPort = portNumberFromText(fieldText(m_tcpPort)).value_or(0);
    settings.udpAddress = fieldText(m_udpAddress);
    settings.udpPort = portNumberFromText(fieldText(m_udpPort)).value_or(0);
    settings.ptyLink = fieldText(m_ptyLink);
    settings.endpoints.clear();
    for (auto& [number, endpoint] : endpointLines(m_endpoints)) {
        settings.endpoints.push_back(std::move(endpoint));
    }
    return settings;
}

void OutputDialog::accept() {
    const OutputSettings asked = fromFields();
    OutputSettings fixedFields = asked;
    fixedFields.endpoints.clear();
    std::vector<std::string> problems = outputSettingsProblems(fixedFields);
    for (const auto& [number, endpoint] : endpointLines(m_endpoints)) {
        if (const std::string problem = endpointProblem(endpoint); !problem.empty()) {
            problems.push_back("Further outputs, line " + std::to_string(number) + ": " + problem);
        }
    }
    if (!problems.empty()) {
        QStringList lines;
        for (const std::string& problem : problems) {
            lines << text(problem);
        }
        m_problem->setText(lines.join('\n'));
        m_problem->show();
        return;
    }
    m_settings = asked;
    QDialog::accept();
}

}  // namespace pelora
