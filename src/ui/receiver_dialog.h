#pragma once

#include <array>
#include <vector>

#include <QDialog>

#include "config/receiver_settings.h"
#include "present/receiver_form.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace pelora {

// "Output > Sentences...": the receiver the tick models. The profile; its sentence types in
// order (made and ordered here for Custom, shown for the others); talker, NMEA version,
// satellite systems, elevation mask, antenna altitude and fix state (for the profiles that
// model a receiver); the user's own lines. What the serial line's budget left out is shown
// beneath. OK reads the fields (readReceiverForm) and, when one cannot be used, stays open and
// shows why; Cancel changes nothing.
// Object names: profile, sentences, sentenceType, addSentence, removeSentence, sentenceUp,
// sentenceDown, talker, version, systemGps, systemGlonass, systemGalileo, systemBeidou, mask,
// altitude, noFix, differential, ownLines, budget, problem, buttons.
class ReceiverDialog : public QDialog {
    Q_OBJECT

public:
    // `budget` is the text about the serial line's budget (budgetText).
    ReceiverDialog(const ReceiverChoices& choices, const QString& budget, QWidget* parent = nullptr);

    // The choices as accepted by OK; before OK, those handed in.
    const ReceiverChoices& choices() const { return m_choices; }

    void accept() override;

private:
    void showForm(const ReceiverForm& form);
    ReceiverForm shown() const;
    void moveSelected(int by);
    void updateEnabled();

    ReceiverChoices m_choices;
    std::vector<GnssSystem> m_systemsShown;  // the order the systems came in
    QComboBox* m_profile;
    QListWidget* m_sentences;
    QComboBox* m_sentenceType;
    QPushButton* m_add;
    QPushButton* m_remove;
    QPushButton* m_up;
    QPushButton* m_down;
    QComboBox* m_talker;
    QComboBox* m_version;
    std::array<QCheckBox*, 4> m_systems;
    QLineEdit* m_mask;
    QLineEdit* m_altitude;
    QCheckBox* m_noFix;
    QCheckBox* m_differential;
    QPlainTextEdit* m_lines;
    QLabel* m_budget;
    QLabel* m_problem;
    QDialogButtonBox* m_buttons;
};

}  // namespace pelora
