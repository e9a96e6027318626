#pragma once

#include <QDialog>

#include "config/output_settings.h"

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace pelora {

// Where the outputs besides the serial port listen and send: the TCP server's address and port,
// UDP's address and port, the virtual serial port's link (empty means the default link, shown
// greyed in the empty field), and the further outputs, one endpoint a line (blank lines are
// dropped; every endpoint listed runs). OK checks the values with outputSettingsProblems() and
// endpointProblem() and, when one is wrong, stays open and shows why, naming the line of a
// further output; Cancel changes nothing. Which of the TCP server, UDP and the virtual serial
// port are on is not chosen here: settings() gives back those switches (and the UTC choice) as
// they were handed in.
// Field object names: tcpAddress, tcpPort, udpAddress, udpPort, ptyLink, txt_Endpoints, problem,
// buttons.
class OutputDialog : public QDialog {
    Q_OBJECT

public:
    OutputDialog(const OutputSettings& settings, QWidget* parent = nullptr);

    // The choices as accepted by OK; before OK, those handed in.
    const OutputSettings& settings() const;

    // Checks the fields; closes with Accepted only when they are usable.
    void accept() override;

private:
    OutputSettings fromFields() const;

    OutputSettings m_settings;
    QLineEdit* m_tcpAddress;
    QLineEdit* m_tcpPort;
    QLineEdit* m_udpAddress;
    QLineEdit* m_udpPort;
    QLineEdit* m_ptyLink;
    QPlainTextEdit* m_endpoints;
    QLabel* m_problem;
    QDialogButtonBox* m_buttons;
};

}  // namespace pelora
