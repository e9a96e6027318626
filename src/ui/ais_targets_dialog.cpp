#include "ui/ais_targets_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pelora {

namespace {

constexpr int kListRowsShown = 6;

template <typename Widget>
Widget* namedWidget(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit* field(const char* name, QWidget* parent) {
    return namedWidget(new QLineEdit(parent), name);
}

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

AisTargetsDialog::AisTargetsDialog(std::vector<AisTarget> targets, const TargetFields& blank, QWidget* parent)
    : QDialog(parent),
      m_targets(std::move(targets)),
      m_table(namedWidget(new QTableWidget(this), "targets")),
      m_mmsi(field("mmsi", this)),
      m_name(field("name", this)),
      m_callSign(field("callSign", this)),
      m_shipType(field("shipType", this)),
      m_length(field("length", this)),
      m_beam(field("beam", this)),
      m_latitude(field("latitude", this)),
      m_longitude(field("longitude", this)),
      m_course(field("course", this)),
      m_speed(field("speed", this)),
      m_rateOfTurn(field("rateOfTurn", this)),
      m_status(namedWidget(new QComboBox(this), "status")),
      m_class(namedWidget(new QComboBox(this), "aisClass")),
      m_add(namedWidget(new QPushButton(QStringLiteral("Add"), this), "addTarget")),
      m_change(namedWidget(new QPushButton(QStringLiteral("Change"), this), "changeTarget")),
      m_remove(namedWidget(new QPushButton(QStringLiteral("Remove"), this), "removeTarget")),
      m_problem(namedWidget(new QLabel(this), "problem")),
      m_buttons(namedWidget(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this), "buttons")) {
    setWindowTitle(QStringLiteral("AIS Targets"));
    const QStringList headers = {"MMSI",      "Name",     "Call sign", "Type",  "Length (m)", "Beam (m)", "Latitude",
                                 "Longitude", "Course",   "Speed (kn)", "ROT (°/min)", "Status", "Class"};
    m_table->setColumnCount(static_cast<int>(headers.size()));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->setMinimumHeight(m_table->horizontalHeader()->sizeHint().height() +
                              m_table->verticalHeader()->defaultSectionSize() * kListRowsShown);
    for (const NavigationStatus status : navigationStatuses()) {
        m_status->addItem(fromView(navigationStatusName(status)), static_cast<int>(status));
    }
    m_class->addItem(QStringLiteral("A"), static_cast<int>(AisClass::A));
    m_class->addItem(QStringLiteral("B"), static_cast<int>(AisClass::B));
    m_mmsi->setToolTip(QStringLiteral("Nine digits"));
    m_name->setToolTip(QStringLiteral("Up to 20 capital letters, digits, spaces and punctuation"));
    m_shipType->setToolTip(QStringLiteral("0 to 99: 0 not available, 30 fishing, 36 sailing, 60 passenger, 70 cargo, 80 tanker"));
    m_latitude->setToolTip(QStringLiteral("As the position boxes take it (54N30.0000) or signed degrees (54.5)"));
    m_longitude->setToolTip(QStringLiteral("As the position boxes take it (0001W15.0000) or signed degrees (-1.25)"));
    m_rateOfTurn->setToolTip(QStringLiteral("Degrees a minute, positive to starboard"));
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_problem->hide();

    auto* fieldsGrid = new QGridLayout;
    const struct {
        const char* label;
        QWidget* widget;
    } rows[] = {{"MMSI:", m_mmsi},          {"Name:", m_name},           {"Call sign:", m_callSign},
                {"Ship type:", m_shipType}, {"Length (m):", m_length},   {"Beam (m):", m_beam},
                {"Latitude:", m_latitude},  {"Longitude:", m_longitude}, {"Course (°):", m_course},
                {"Speed (kn):", m_speed},   {"Rate of turn (°/min):", m_rateOfTurn},
                {"Status:", m_status},      {"Class:", m_class}};
    constexpr int kColumns = 3;
    int place = 0;
    for (const auto& row : rows) {
        fieldsGrid->addWidget(new QLabel(QString::fromUtf8(row.label), this), place / kColumns, (place % kColumns) * 2);
        fieldsGrid->addWidget(row.widget, place / kColumns, (place % kColumns) * 2 + 1);
        ++place;
    }
    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(m_add);
    editButtons->addWidget(m_change);
    editButtons->addWidget(m_remove);
    editButtons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(fieldsGrid);
    layout->addLayout(editButtons);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);

    showFields(blank);
    showList(-1);

    connect(m_table, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row >= 0 && row < static_cast<int>(m_targets.size())) {
            showFields(targetFields(m_targets[static_cast<std::size_t>(row)]));
        }
        m_change->setEnabled(row >= 0);
        m_remove->setEnabled(row >= 0);
    });
    connect(m_add, &QPushButton::clicked, this, &AisTargetsDialog::addTarget);
    connect(m_change, &QPushButton::clicked, this, &AisTargetsDialog::changeTarget);
    connect(m_remove, &QPushButton::clicked, this, &AisTargetsDialog::removeTarget);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &AisTargetsDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &AisTargetsDialog::reject);
}

TargetFields AisTargetsDialog::fields() const {
    TargetFields fields;
    fields.mmsi = m_mmsi->text().toStdString();
    fields.name = m_name->text().toStdString();
    fields.callSign = m_callSign->text().toStdString();
    fields.shipType = m_shipType->text().toStdString();
    fields.length = m_length->text().toStdString();
    fields.beam = m_beam->text().toStdString();
    fields.latitude = m_latitude->text().toStdString();
    fields.longitude = m_longitude->text().toStdString();
    fields.course = m_course->text().toStdString();
    fields.speed = m_speed->text().toStdString();
    fields.rateOfTurn = m_rateOfTurn->text().toStdString();
    fields.status = static_cast<NavigationStatus>(m_status->currentData().toInt());
    fields.aisClass = static_cast<AisClass>(m_class->currentData().toInt());
    return fields;
}

void AisTargetsDialog::showFields(const TargetFields& fields) {
    m_mmsi->setText(QString::fromStdString(fields.mmsi));
    m_name->setText(QString::fromStdString(fields.name));
    m_callSign->setText(QString::fromStdString(fields.callSign));
    m_shipType->setText(QString::fromStdString(fields.shipType));
    m_length->setText(QString::fromStdString(fields.length));
    m_beam->setText(QString::fromStdString(fields.beam));
    m_latitude->setText(QString::fromStdString(fields.latitude));
    m_longitude->setText(QString::fromStdString(fields.longitude));
    m_course->setText(QString::fromStdString(fields.course));
    m_speed->setText(QString::fromStdString(fields.speed));
    m_rateOfTurn->setText(QString::fromStdString(fields.rateOfTurn));
    m_status->setCurrentIndex(m_status->findData(static_cast<int>(fields.status)));
    m_class->setCurrentIndex(m_class->findData(static_cast<int>(fields.aisClass)));
}

void AisTargetsDialog::showList(int select) {
    const QSignalBlocker blocker(m_table);
    m_table->setRowCount(static_cast<int>(m_targets.size()));
    for (std::size_t row = 0; row < m_targets.size(); ++row) {
        const TargetFields shown = targetFields(m_targets[row]);
        const std::string texts[] = {shown.mmsi,     shown.name,      shown.callSign,
                                     shown.shipType, shown.length,    shown.beam,
                                     shown.latitude, shown.longitude, shown.course,
                                     shown.speed,    shown.rateOfTurn, std::string(navigationStatusName(shown.status)),
                                     std::string(aisClassName(shown.aisClass))};
        for (int column = 0; column < m_table->columnCount(); ++column) {
            m_table->setItem(static_cast<int>(row), column,
                             new QTableWidgetItem(QString::fromStdString(texts[static_cast<std::size_t>(column)])));
        }
    }
    m_table->resizeColumnsToContents();
    m_table->setCurrentCell(select, 0);
    m_change->setEnabled(select >= 0);
    m_remove->setEnabled(select >= 0);
}

void AisTargetsDialog::take(std::vector<AisTarget> targets, int select) {
    const FleetBuild build = buildFleet(targets);
    if (!build.fleet) {
        showProblem(build.problem);
        return;
    }
    m_targets = std::move(targets);
    m_changed = true;
    showProblem({});
    showList(select);
}

void AisTargetsDialog::addTarget() {
    TargetRead read = readTargetFields(fields());
    if (!read.target) {
        showProblem(read.problem);
        return;
    }
    std::vector<AisTarget> targets = m_targets;
    targets.push_back(std::move(*read.target));
    const int added = static_cast<int>(targets.size()) - 1;
    take(std::move(targets), added);
}

void AisTargetsDialog::changeTarget() {
    const int row = m_table->currentRow();
    if (row < 0 || row >= static_cast<int>(m_targets.size())) return;
    TargetRead read = readTargetFields(fields());
    if (!read.target) {
        showProblem(read.problem);
        return;
    }
    std::vector<AisTarget> targets = m_targets;
    targets[static_cast<std::size_t>(row)] = std::move(*read.target);
    take(std::move(targets), row);
}

void AisTargetsDialog::removeTarget() {
    const int row = m_table->currentRow();
    if (row < 0 || row >= static_cast<int>(m_targets.size())) return;
    std::vector<AisTarget> targets = m_targets;
    targets.erase(targets.begin() + row);
    take(std::move(targets), -1);
}

void AisTargetsDialog::showProblem(const std::string& problem) {
    m_problem->setText(QString::fromStdString(problem));
    m_problem->setVisible(!problem.empty());
}

}  // namespace pelora
