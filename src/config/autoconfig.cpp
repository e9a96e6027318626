#include "config/autoconfig.h"

#include "text/text.h"

#include <array>
#include <utility>

namespace pelora {
namespace {

struct Recognised {
    std::string_view prefix;
    std::string_view property;
};

constexpr std::array<Recognised, 6> kRecognised{{
    {"txt", "text"},
    {"chk", "Value"},
    {"cmb", "text"},
    {"col", "BackColor"},
    {"lab", "Caption"},
    {"opt", "Value"},
}};

constexpr std::string_view kListPrefix = "cmb";

int intFromText(const std::optional<std::string>& text) {
    return text ? static_cast<int>(wholeNumber(*text).value_or(0)) : 0;
}

// Puts a text into a list control: no selection, then the text, then every entry equal to the
// control's text is selected in turn, so that the last equal entry stays selected.
bool assignListText(ConfigControl& control, const std::string& value) {
    if (!control.writeProperty("ListIndex", "-1") || !control.writeProperty("text", value)) {
        return false;
    }
    const std::optional<std::string> shown = control.readProperty("text");
    const int count = intFromText(control.readProperty("ListCount"));
    for (int entry = 0; entry < count; ++entry) {
        if (control.listEntry(entry) == shown &&
            !control.writeProperty("ListIndex", std::to_string(entry))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<std::string_view> storedProperty(std::string_view controlName) {
    const std::string_view prefix = controlName.substr(0, 3);
    for (const Recognised& recognised : kRecognised) {
        if (prefix == recognised.prefix) {
            return recognised.property;
        }
    }
    return std::nullopt;
}

std::string loadFailureMessage(int errorNumber, std::string_view formName, int column,
                               std::string_view location, std::string_view reason) {
    std::string text = "Error:" + blankSigned(errorNumber) + ". Cannot Load Configuration for ";
    text += formName;
    text += " #" + blankSigned(column) + ". Using Default Values.";
    if (!location.empty()) {
        text += " ";
        text += location;
        text += ": ";
        text += reason;
        text += ".";
    }
    return text;
}

std::string saveFailureMessage(const SaveFailure& failure, std::string_view location) {
    std::string text = "Error:" + blankSigned(failure.error.errorNumber) +
                       ". Cannot Save Configuration for " + failure.form + " #" +
                       blankSigned(failure.column) + " to ";
    text += location;
    if (!failure.error.reason.empty()) {
        text += " (" + failure.error.reason + ")";
    }
    text += ". The program stays open.";
    return text;
}

std::string file_title(std::string_view path, bool keepExtension, bool keepFolder) {
    std::string_view title = path;
    if (!keepFolder) {
        if (const auto drive = title.rfind(':'); drive != std::string_view::npos) {
            title.remove_prefix(drive + 1);
        }
        if (const auto folder = title.find_last_of("\\/"); folder != std::string_view::npos) {
            title.remove_prefix(folder + 1);
        }
    }
    if (!keepExtension) {
        if (const auto dot = title.rfind('.'); dot != std::string_view::npos) {
            title = title.substr(0, dot);
        }
    }
    return std::string(title);
}

AutoConfig::AutoConfig(SettingsStore& store, ConfigDialogs& dialogs, std::string applicationName,
                       std::string applicationTitle, std::function<void()> endProcess)
    : m_store(store),
      m_dialogs(dialogs),
      m_applicationName(std::move(applicationName)),
      m_applicationTitle(std::move(applicationTitle)),
      m_endProcess(std::move(endProcess)) {}

void AutoConfig::attach_form(ConfigForm& form, bool load) {
    m_attachedForms.push_back(&form);
    if (load) {
        load_form_config(form);
    }
}

bool AutoConfig::query_close(ConfigForm& /*form*/) {
    if (m_ended) {
        return true;
    }
    if (!config_changed()) {
        end_program();
        return true;
    }
    switch (m_dialogs.askYesNoCancel(std::string(kSavePromptText), std::string(kSavePromptTitle))) {
        case DialogAnswer::Yes:
            if (const std::optional<SaveFailure> failure = save_all_configs()) {
                // Ending now would lose the operator's values without a word.
                m_dialogs.showMessage(saveFailureMessage(*failure, m_store.location()),
                                      m_applicationTitle);
                return false;
            }
            end_program();
            return true;
        case DialogAnswer::No:
            end_program();
            return true;
        case DialogAnswer::Cancel:
            break;
    }
    return false;
}

ValueSet AutoConfig::read_controls(ConfigForm& form) {
    ValueSet values;
    int index = 0;
    for (const auto& control : form.controls()) {
        transfer_control(false, *control, index, values);
    }
    return values;
}

bool AutoConfig::transfer_control(bool apply, ConfigControl& control, int& index,
                                  ValueSet& values) {
    const std::string name = control.name();
    const std::optional<std::string_view> property = storedProperty(name);
    if (!property) {
        return true;
    }
    const std::optional<std::string> current = control.readProperty(*property);
    if (!current) {
        // A recognised name on a control without the stored property: passed over in both
        // directions, so that the columns of every set still line up.
        return true;
    }
    const auto column = static_cast<std::size_t>(index);
    if (apply) {
        if (index < 0 || column >= values.columns()) {
            return false;
        }
        const std::string& value = values.values[column];
        bool accepted = false;
        if (name.starts_with(kListPrefix)) {
            control.beginAssignment();
            accepted = assignListText(control, value);
            control.endAssignment(accepted);
        } else {
            accepted = control.writeProperty(*property, value);
        }
        if (!accepted) {
            return false;
        }
    } else {
        if (column >= values.columns()) {
            values.names.resize(column + 1);
            values.values.resize(column + 1);
        }
        values.names[column] = name;
        values.values[column] = *current;
    }
    ++index;
    return true;
}

bool AutoConfig::apply_values(ConfigForm& form, const ValueSet& values) {
    ValueSet source = values;
    int index = 0;
    for (const auto& control : form.controls()) {
        if (!transfer_control(true, *control, index, source)) {
            return false;
        }
    }
    return true;
}

void AutoConfig::load_form_config(ConfigForm& form) {
    form.defaultvalues = read_controls(form);
    bool ok = false;
    form.loadedvalues = read_stored_values(form, ok);
    if (ok && apply_values(form, *form.loadedvalues)) {
        return;
    }
    apply_values(form, *form.defaultvalues);
}

ValueSet AutoConfig::read_stored_values(ConfigForm& form, bool& ok) {
    ok = false;
    ValueSet values = read_controls(form);
    for (std::string& value : values.values) {
        value.clear();
    }
    const std::string section = form.name();
    for (std::size_t column = 0; column < values.columns(); ++column) {
        SettingRead read = m_store.GetSetting(m_applicationName, section, values.names[column]);
        if (!read.ok()) {
            m_dialogs.showMessage(
                loadFailureMessage(read.error->errorNumber, section, static_cast<int>(column), m_store.location(),
                                   read.error->reason),
                m_applicationTitle);
            return values;
        }
        values.values[column] = std::move(read.value);
    }
    ok = true;
    return values;
}

bool AutoConfig::config_changed() {
    bool changed = false;
    for (ConfigForm* form : m_attachedForms) {
        form->currentvalues = read_controls(*form);
        if (!same_values(form->currentvalues, form->loadedvalues)) {
            changed = true;
        }
    }
    return changed;
}

bool AutoConfig::same_values(const std::optional<ValueSet>& current,
                             const std::optional<ValueSet>& loaded) {
    if (!current || !loaded || current->columns() != loaded->columns() ||
        current->values.size() != loaded->values.size()) {
        return false;
    }
    for (std::size_t column = 0; column < current->columns(); ++column) {
        if (current->names[column] != loaded->names[column] ||
            current->values[column] != loaded->values[column]) {
            return false;
        }
    }
    return true;
}

std::optional<SaveFailure> AutoConfig::save_all_configs() {
    for (ConfigForm* form : m_attachedForms) {
        if (std::optional<SaveFailure> failure = save_form_config(*form)) {
            return failure;
        }
    }
    return std::nullopt;
}

std::optional<SaveFailure> AutoConfig::save_form_config(ConfigForm& form) {
    const ValueSet values = read_controls(form);
    if (values.columns() == 0) {
        return std::nullopt;
    }
    const std::string section = form.name();
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(values.columns());
    for (std::size_t column = 0; column < values.columns(); ++column) {
        entries.emplace_back(values.names[column], values.values[column]);
    }
    // One pass for the whole form: either every column reaches the store or none does, so the
    // failure is reported at the form's first column.
    if (std::optional<Failure> error = m_store.saveSettings(m_applicationName, section, entries)) {
        return SaveFailure{section, 0, std::move(*error)};
    }
    return std::nullopt;
}

void AutoConfig::end_program() {
    if (m_ended) {
        return;
    }
    m_ended = true;
    if (m_endProcess) {
        m_endProcess();
    }
}

}  // namespace pelora
