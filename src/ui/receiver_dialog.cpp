#include "ui/receiver_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "nmea/receiver_profile.h"
#include "nmea/sentence_table.h"

namespace pelora {

namespace {

constexpr std::array kSystems{GnssSystem::Gps, GnssSystem::Glonass, GnssSystem::Galileo, GnssSystem::Beidou};
constexpr std::array kSystemObjectNames{"systemGps", "systemGlonass", "systemGalileo", "systemBeidou"};
constexpr int kOwnLinesRows = 4;

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QPushButton* button(const QString& text, const char* name, QWidget* parent) {
    return named(new QPushButton(text, parent), name);
}

}  // namespace

ReceiverDialog::ReceiverDialog(const ReceiverChoices& choices, const QString& budget, QWidget* parent)
    : QDialog(parent),
      m_choices(choices),
      m_profile(named(new QComboBox(this), "profile")),
      m_sentences(named(new QListWidget(this), "sentences")),
      m_sentenceType(named(new QComboBox(this), "sentenceType")),
      m_add(button(QStringLiteral("Add"), "addSentence", this)),
      m_remove(button(QStringLiteral("Remove"), "removeSentence", this)),
      m_up(button(QStringLiteral("Up"), "sentenceUp", this)),
      m_down(button(QStringLiteral("Down"), "sentenceDown", this)),
      m_talker(named(new QComboBox(this), "talker")),
      m_version(named(new QComboBox(this), "version")),
      m_systems{},
      m_mask(named(new QLineEdit(this), "mask")),
      m_altitude(named(new QLineEdit(this), "altitude")),
      m_noFix(named(new QCheckBox(QStringLiteral("No fix"), this), "noFix")),
      m_differential(named(new QCheckBox(QStringLiteral("Differential"), this), "differential")),
      m_lines(named(new QPlainTextEdit(this), "ownLines")),
      m_budget(named(new QLabel(budget, this), "budget")),
      m_problem(named(new QLabel(this), "problem")),
      m_buttons(named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this), "buttons")) {
    setWindowTitle(QStringLiteral("Sentences"));
    for (const ReceiverProfile& profile : receiverProfiles()) {
        m_profile->addItem(QString::fromStdString(profile.name));
    }
    for (const SentenceType& type : sentenceTypes()) {
        m_sentenceType->addItem(qText(type.name));
        m_sentenceType->setItemData(m_sentenceType->count() - 1, qText(type.meaning), Qt::ToolTipRole);
    }
    for (const std::string_view talker : talkerIds()) {
        m_talker->addItem(qText(talker));
    }
    for (const NmeaVersion version : {NmeaVersion::V23, NmeaVersion::V410, NmeaVersion::V411}) {
        m_version->addItem(qText(nmeaVersionText(version)));
    }
    auto* systemsRow = new QHBoxLayout;
    for (std::size_t i = 0; i < kSystems.size(); ++i) {
        m_systems[i] = named(new QCheckBox(qText(systemName(kSystems[i])), this), kSystemObjectNames[i]);
        systemsRow->addWidget(m_systems[i]);
    }
    systemsRow->addStretch();
    m_sentences->setToolTip(QStringLiteral("The sentences of each second, in the order they go out"));
    m_mask->setToolTip(QStringLiteral("Satellites lower than this many degrees above the horizon are not used"));
    m_altitude->setToolTip(QStringLiteral("The antenna's height above mean sea level, in metres"));
    m_lines->setToolTip(QStringLiteral(
        "Your own lines, one a line, sent as written after the receiver's sentences each second; "
        "a line ending in * gets its checksum"));
    m_lines->setTabChangesFocus(true);
    m_lines->setFixedHeight(m_lines->fontMetrics().lineSpacing() * kOwnLinesRows + m_lines->frameWidth() * 2 +
                            static_cast<int>(m_lines->document()->documentMargin() * 2));
    m_budget->setWordWrap(true);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_problem->hide();

    auto* listButtons = new QVBoxLayout;
    for (QWidget* widget : {static_cast<QWidget*>(m_sentenceType), static_cast<QWidget*>(m_add),
                            static_cast<QWidget*>(m_remove), static_cast<QWidget*>(m_up),
                            static_cast<QWidget*>(m_down)}) {
        listButtons->addWidget(widget);
    }
    listButtons->addStretch();
    auto* listRow = new QHBoxLayout;
    listRow->addWidget(m_sentences, 1);
    listRow->addLayout(listButtons);
    auto* fixRow = new QHBoxLayout;
    fixRow->addWidget(m_noFix);
    fixRow->addWidget(m_differential);
    fixRow->addStretch();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Profile:"), m_profile);
    form->addRow(QStringLiteral("Sentences:"), listRow);
    form->addRow(QStringLiteral("Talker:"), m_talker);
    form->addRow(QStringLiteral("NMEA version:"), m_version);
    form->addRow(QStringLiteral("Systems:"), systemsRow);
    form->addRow(QStringLiteral("Elevation mask (degrees):"), m_mask);
    form->addRow(QStringLiteral("Antenna altitude (m):"), m_altitude);
    form->addRow(QStringLiteral("Fix:"), fixRow);
    form->addRow(QStringLiteral("Own lines:"), m_lines);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_budget);
    layout->addWidget(m_problem);
    layout->addWidget(m_buttons);

    showForm(receiverForm(choices));

    connect(m_profile, &QComboBox::currentTextChanged, this,
            [this](const QString& profile) { showForm(withProfile(shown(), profile.toStdString())); });
    connect(m_sentences, &QListWidget::currentRowChanged, this, &ReceiverDialog::updateEnabled);
    connect(m_add, &QPushButton::clicked, this, [this] {
        m_sentences->addItem(m_sentenceType->currentText());
        m_sentences->setCurrentRow(m_sentences->count() - 1);
    });
    connect(m_remove, &QPushButton::clicked, this, [this] { delete m_sentences->currentItem(); });
    connect(m_up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(m_buttons, &QDialogButtonBox::accepted, this, &ReceiverDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &ReceiverDialog::reject);
}

void ReceiverDialog::showForm(const ReceiverForm& form) {
    const QSignalBlocker blocker(m_profile);
    m_profile->setCurrentText(QString::fromStdString(form.profile));
    m_sentences->clear();
    for (const std::string& sentence : form.sentences) {
        m_sentences->addItem(QString::fromStdString(sentence));
    }
    m_talker->setCurrentText(QString::fromStdString(form.talker));
    m_version->setCurrentText(QString::fromStdString(form.version));
    m_systemsShown = form.systems;
    for (std::size_t i = 0; i < kSystems.size(); ++i) {
        m_systems[i]->setChecked(std::find(form.systems.begin(), form.systems.end(), kSystems[i]) != form.systems.end());
    }
    m_mask->setText(QString::fromStdString(form.mask));
    m_altitude->setText(QString::fromStdString(form.altitude));
    m_noFix->setChecked(form.noFix);
    m_differential->setChecked(form.differential);
    if (m_lines->toPlainText().toStdString() != form.lines) {
        m_lines->setPlainText(QString::fromStdString(form.lines));
    }
    updateEnabled();
}

ReceiverForm ReceiverDialog::shown() const {
    ReceiverForm form;
    form.profile = m_profile->currentText().toStdString();
    for (int row = 0; row < m_sentences->count(); ++row) {
        form.sentences.push_back(m_sentences->item(row)->text().toStdString());
    }
    form.talker = m_talker->currentText().toStdString();
    form.version = m_version->currentText().toStdString();
    // The systems keep the order they came in; one ticked here joins at the end.
    const auto ticked = [this](GnssSystem system) {
        const auto at = std::find(kSystems.begin(), kSystems.end(), system);
        return m_systems[static_cast<std::size_t>(at - kSystems.begin())]->isChecked();
    };
    for (const GnssSystem system : m_systemsShown) {
        if (ticked(system)) form.systems.push_back(system);
    }
    for (const GnssSystem system : kSystems) {
        if (ticked(system) && std::find(form.systems.begin(), form.systems.end(), system) == form.systems.end()) {
            form.systems.push_back(system);
        }
    }
    form.mask = m_mask->text().toStdString();
    form.altitude = m_altitude->text().toStdString();
    form.noFix = m_noFix->isChecked();
    form.differential = m_differential->isChecked();
    form.lines = m_lines->toPlainText().toStdString();
    return form;
}

void ReceiverDialog::moveSelected(int by) {
    const int row = m_sentences->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= m_sentences->count()) return;
    QListWidgetItem* item = m_sentences->takeItem(row);
    m_sentences->insertItem(to, item);
    m_sentences->setCurrentRow(to);
}

void ReceiverDialog::updateEnabled() {
    const std::string profile = m_profile->currentText().toStdString();
    const bool ownList = ownSentenceList(profile);
    const bool receiver = modelsReceiver(profile);
    const int row = m_sentences->currentRow();
    m_sentences->setEnabled(receiver);
    m_sentenceType->setEnabled(ownList);
    m_add->setEnabled(ownList);
    m_remove->setEnabled(ownList && row >= 0);
    m_up->setEnabled(ownList && row > 0);
    m_down->setEnabled(ownList && row >= 0 && row + 1 < m_sentences->count());
    for (QWidget* widget : {static_cast<QWidget*>(m_talker), static_cast<QWidget*>(m_version),
                            static_cast<QWidget*>(m_mask), static_cast<QWidget*>(m_altitude),
                            static_cast<QWidget*>(m_noFix), static_cast<QWidget*>(m_differential)}) {
        widget->setEnabled(receiver);
    }
    for (QCheckBox* system : m_systems) {
        system->setEnabled(receiver);
    }
}

void ReceiverDialog::accept() {
    const ReceiverFormRead read = readReceiverForm(shown());
    if (!read.choices) {
        m_problem->setText(QString::fromStdString(read.problem));
        m_problem->show();
        return;
    }
    m_choices = *read.choices;
    QDialog::accept();
}

}  // namespace pelora
