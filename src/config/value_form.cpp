#include "config/value_form.h"

#include <utility>

#include "text/text.h"

namespace pelora {

namespace {

using Value = ValueForm::Value;

class ValueControl final : public ConfigControl {
public:
    ValueControl(std::string name, Value& value) : m_name(std::move(name)), m_value(value) {}

    std::string name() const override { return m_name; }

    std::optional<std::string> readProperty(std::string_view property) const override {
        switch (m_value.kind) {
        case Value::Kind::Text:
            if (property == "text") return m_value.text;
            break;
        case Value::Kind::Check:
            if (property == "Value") return std::to_string(m_value.number);
            break;
        case Value::Kind::List:
            if (property == "text") return shownEntry();
            if (property == "ListIndex") return std::to_string(m_value.number);
            if (property == "ListCount") return std::to_string(m_value.entries.size());
            break;
        }
        return std::nullopt;
    }

    bool writeProperty(std::string_view property, std::string_view text) override {
        switch (m_value.kind) {
        case Value::Kind::Text:
            if (property != "text") return false;
            m_value.text = std::string(text);
            return true;
        case Value::Kind::Check: {
            const std::optional<long long> state = wholeNumber(text);
            if (property != "Value" || !state || *state < 0 || *state > 2) return false;
            m_value.number = static_cast<int>(*state);
            return true;
        }
        case Value::Kind::List:
            if (property == "ListIndex") {
                const std::optional<long long> index = wholeNumber(text);
                if (!index || *index < -1 || *index >= static_cast<long long>(m_value.entries.size())) return false;
                m_value.number = static_cast<int>(*index);
                return true;
            }
            if (property == "text") {
                // The empty text is what a list with no entry selected shows: it selects none.
                if (text.empty()) {
                    m_value.number = -1;
                    return true;
                }
                for (std::size_t i = 0; i < m_value.entries.size(); ++i) {
                    if (m_value.entries[i] == text) {
                        m_value.number = static_cast<int>(i);
                        return true;
                    }
                }
            }
            return false;
        }
        return false;
    }

    std::optional<std::string> listEntry(int index) const override {
        if (m_value.kind != Value::Kind::List || index < 0 ||
            index >= static_cast<int>(m_value.entries.size())) {
            return std::nullopt;
        }
        return m_value.entries[static_cast<std::size_t>(index)];
    }

private:
    std::string shownEntry() const {
        return m_value.number < 0 ? std::string() : m_value.entries[static_cast<std::size_t>(m_value.number)];
    }

    std::string m_name;
    Value& m_value;
};

}  // namespace

ValueForm::ValueForm(std::string name) : m_name(std::move(name)) {}

void ValueForm::addText(const std::string& name, std::string text) {
    m_order.push_back(name);
    m_values[name] = Value{Value::Kind::Text, std::move(text), 0, {}};
}

void ValueForm::addCheck(const std::string& name, int value) {
    m_order.push_back(name);
    m_values[name] = Value{Value::Kind::Check, {}, value, {}};
}

void ValueForm::addList(const std::string& name, std::vector<std::string> entries, int selected) {
    m_order.push_back(name);
    m_values[name] = Value{Value::Kind::List, {}, selected, std::move(entries)};
}

const std::string& ValueForm::text(const std::string& name) const { return at(name).text; }
int ValueForm::check(const std::string& name) const { return at(name).number; }
int ValueForm::listIndex(const std::string& name) const { return at(name).number; }

void ValueForm::setText(const std::string& name, std::string text) { at(name).text = std::move(text); }
void ValueForm::setCheck(const std::string& name, int value) { at(name).number = value; }
void ValueForm::setListIndex(const std::string& name, int index) { at(name).number = index; }

std::string ValueForm::name() const { return m_name; }

std::vector<std::unique_ptr<ConfigControl>> ValueForm::controls() {
    std::vector<std::unique_ptr<ConfigControl>> controls;
    controls.reserve(m_order.size());
    for (const std::string& name : m_order) {
        controls.push_back(std::make_unique<ValueControl>(name, m_values.at(name)));
    }
    return controls;
}

ValueForm::Value& ValueForm::at(const std::string& name) { return m_values.at(name); }
const ValueForm::Value& ValueForm::at(const std::string& name) const { return m_values.at(name); }

}  // namespace pelora
