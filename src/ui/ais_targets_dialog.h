#pragma once

#include <vector>

#include <QDialog>

#include "ais/ais_target.h"
#include "present/target_form.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace pelora {

// "Output > AIS Targets...": the list of AIS targets around the ship, each with its MMSI, name,
// call sign, ship type, length and beam, position, course, speed, rate of turn, navigation
// status and class. Picking a row puts it into the fields below; Add and Change take the fields
// when readTargetFields and the list (buildFleet) accept them, and otherwise show why; Remove
// takes the picked row away. OK ends with the list as it stands; Cancel forgets the changes.
// Object names: targets, mmsi, name, callSign, shipType, length, beam, latitude, longitude,
// course, speed, rateOfTurn, status, aisClass, addTarget, changeTarget, removeTarget, problem,
// buttons.
class AisTargetsDialog : public QDialog {
    Q_OBJECT

public:
    // `targets` are listed; a new target's fields start as `blank`.
    AisTargetsDialog(std::vector<AisTarget> targets, const TargetFields& blank, QWidget* parent = nullptr);

    const std::vector<AisTarget>& targets() const { return m_targets; }
    // True once a target was added, changed or removed.
    bool changed() const { return m_changed; }

private:
    TargetFields fields() const;
    void showFields(const TargetFields& fields);
    void showList(int select);
    void take(std::vector<AisTarget> targets, int select);
    void addTarget();
    void changeTarget();
    void removeTarget();
    void showProblem(const std::string& problem);

    std::vector<AisTarget> m_targets;
    bool m_changed = false;
    QTableWidget* m_table;
    QLineEdit* m_mmsi;
    QLineEdit* m_name;
    QLineEdit* m_callSign;
    QLineEdit* m_shipType;
    QLineEdit* m_length;
    QLineEdit* m_beam;
    QLineEdit* m_latitude;
    QLineEdit* m_longitude;
    QLineEdit* m_course;
    QLineEdit* m_speed;
    QLineEdit* m_rateOfTurn;
    QComboBox* m_status;
    QComboBox* m_class;
    QPushButton* m_add;
    QPushButton* m_change;
    QPushButton* m_remove;
    QLabel* m_problem;
    QDialogButtonBox* m_buttons;
};

}  // namespace pelora
