#include "ui/config_form_adapter.h"

#include "text/text.h"

#include <optional>

#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QRadioButton>
#include <QVariant>

namespace pelora {
namespace {

std::optional<Qt::CheckState> checkStateFrom(std::string_view text) {
    switch (wholeNumber(text).value_or(-1)) {
        case 0:
            return Qt::Unchecked;
        case 1:
            return Qt::Checked;
        case 2:
            return Qt::PartiallyChecked;
        default:
            return std::nullopt;
    }
}

std::string checkStateText(Qt::CheckState state) {
    switch (state) {
        case Qt::Unchecked:
            return "0";
        case Qt::Checked:
            return "1";
        case Qt::PartiallyChecked:
            return "2";
    }
    return "0";
}

QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class WidgetControl : public ConfigControl {
public:
    explicit WidgetControl(QObject& object) : m_object(&object) {}

    std::string name() const override {
        return m_object ? m_object->objectName().toStdString() : std::string();
    }

    std::optional<std::string> readProperty(std::string_view property) const override {
        QObject* object = m_object.data();
        if (object == nullptr) {
            return std::nullopt;
        }
        if (auto* edit = qobject_cast<QLineEdit*>(object); edit && property == "text") {
            return edit->text().toStdString();
        }
        if (auto* check = qobject_cast<QCheckBox*>(object); check && property == "Value") {
            return checkStateText(check->checkState());
        }
        if (auto* radio = qobject_cast<QRadioButton*>(object); radio && property == "Value") {
            return radio->isChecked() ? "True" : "False";
        }
        if (auto* label = qobject_cast<QLabel*>(object); label && property == "Caption") {
            return label->text().toStdString();
        }
        if (auto* combo = qobject_cast<QComboBox*>(object)) {
            if (property == "text") return combo->currentText().toStdString();
            if (property == "ListIndex") return std::to_string(combo->currentIndex());
            if (property == "ListCount") return std::to_string(combo->count());
        }
        const QVariant value = object->property(QByteArray(property.data(), static_cast<qsizetype>(property.size())).constData());
        if (value.isValid() && value.canConvert<QString>()) {
            return value.toString().toStdString();
        }
        return std::nullopt;
    }

    bool writeProperty(std::string_view property, std::string_view value) override {
        QObject* object = m_object.data();
        if (object == nullptr) {
            return false;
        }
        const QString text = qtext(value);
        if (auto* edit = qobject_cast<QLineEdit*>(object); edit && property == "text") {
            if (edit->text() != text) edit->setText(text);
            return true;
        }
        if (auto* check = qobject_cast<QCheckBox*>(object); check && property == "Value") {
            const std::optional<Qt::CheckState> state = checkStateFrom(value);
            if (!state) return false;
            check->setCheckState(*state);
            return true;
        }
        if (auto* radio = qobject_cast<QRadioButton*>(object); radio && property == "Value") {
            if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
                radio->setChecked(true);
            } else if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
                radio->setChecked(false);
            } else if (const std::optional<long long> number = wholeNumber(value)) {
                radio->setChecked(*number != 0);
            } else {
                return false;
            }
            return true;
        }
        if (auto* label = qobject_cast<QLabel*>(object); label && property == "Caption") {
            if (label->text() != text) label->setText(text);
            return true;
        }
        if (auto* combo = qobject_cast<QComboBox*>(object)) {
            return writeList(*combo, property, value, text);
        }
        return writeObjectProperty(*object, property, text);
    }

    std::optional<std::string> listEntry(int index) const override {
        auto* combo = qobject_cast<QComboBox*>(m_object.data());
        if (combo == nullptr || index < 0 || index >= combo->count()) {
            return std::nullopt;
        }
        return combo->itemText(index).toStdString();
    }

    // A list's steps run with its signals held back; at the end the final selection (and
    // text) is set once more with signals on, so that a changed selection fires once and an
    // unchanged one not at all. A rejected text leaves the list as it was, without a signal,
    // so that no handler sees a passing "no selection" (a port would be closed for nothing).
    void beginAssignment() override {
        auto* combo = qobject_cast<QComboBox*>(m_object.data());
        if (combo == nullptr || m_held) return;
        m_held = true;
        m_indexBefore = combo->currentIndex();
        m_textBefore = combo->currentText();
        m_wasBlocked = combo->blockSignals(true);
    }

    void endAssignment(bool accepted) override {
        auto* combo = qobject_cast<QComboBox*>(m_object.data());
        if (!m_held) return;
        m_held = false;
        if (combo == nullptr) return;
        const int index = accepted ? combo->currentIndex() : m_indexBefore;
        const QString text = accepted ? combo->currentText() : m_textBefore;
        combo->setCurrentIndex(m_indexBefore);
        if (combo->isEditable()) combo->setEditText(m_textBefore);
        combo->blockSignals(m_wasBlocked);
        if (index != combo->currentIndex()) combo->setCurrentIndex(index);
        if (combo->isEditable() && combo->currentText() != text) combo->setEditText(text);
    }

private:
    static bool writeList(QComboBox& combo, std::string_view property, std::string_view value,
                          const QString& text) {
        if (property == "ListIndex") {
            const std::optional<long long> index = wholeNumber(value);
            if (!index || *index < -1 || *index >= combo.count()) return false;
            combo.setCurrentIndex(static_cast<int>(*index));
            return true;
        }
        if (property == "text") {
            if (combo.isEditable()) {
                if (combo.currentText() != text) combo.setEditText(text);
                return true;
            }
            // The empty text is what a list with no entry selected shows, and so what is stored
            // for it: it selects nothing rather than being refused, so that a stored "no port
            // chosen" restores with the other values instead of dropping them all.
            if (text.isEmpty()) {
                combo.setCurrentIndex(-1);
                return true;
            }
            const int found = combo.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
            if (found < 0) return false;
            combo.setCurrentIndex(found);
            return true;
        }
        return false;  // ListCount and List cannot be assigned
    }

    static bool writeObjectProperty(QObject& object, std::string_view property,
                                    const QString& text) {
        const QByteArray key(property.data(), static_cast<qsizetype>(property.size()));
        const int declared = object.metaObject()->indexOfProperty(key.constData());
        if (declared >= 0) {
            const QMetaProperty meta = object.metaObject()->property(declared);
            if (meta.read(&object).toString() == text) return true;
            return meta.write(&object, text);
        }
        if (!object.property(key.constData()).isValid()) return false;
        if (object.property(key.constData()).toString() != text) {
            object.setProperty(key.constData(), text);
        }
        return true;
    }

    QPointer<QObject> m_object;
    bool m_held = false;
    bool m_wasBlocked = false;
    int m_indexBefore = -1;
    QString m_textBefore;
};

}  // namespace

ConfigFormAdapter::ConfigFormAdapter(QWidget& root, std::string formName)
    : m_root(&root), m_name(std::move(formName)) {}

std::string ConfigFormAdapter::name() const {
    if (!m_name.empty() || m_root == nullptr) {
        return m_name;
    }
    return m_root->objectName().toStdString();
}

std::vector<std::unique_ptr<ConfigControl>> ConfigFormAdapter::controls() {
    std::vector<std::unique_ptr<ConfigControl>> result;
    if (m_root == nullptr) {
        return result;
    }
    for (QObject* object : m_root->findChildren<QObject*>()) {
        if (!object->objectName().isEmpty()) {
            result.push_back(std::make_unique<WidgetControl>(*object));
        }
    }
    return result;
}

}  // namespace pelora
