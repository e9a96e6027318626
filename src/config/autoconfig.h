#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_dialogs.h"
#include "config/config_form.h"
#include "config/settings_store.h"
#include "config/value_set.h"

namespace pelora {

// The question asked at a close request when a control value has changed, and its title.
inline constexpr std::string_view kSavePromptText =
    "The configuration settings have changed. Save new values?";
inline constexpr std::string_view kSavePromptTitle = "Tarnvel";

// Where saving stopped: the form, the column being written (the form's first when the form's
// one pass failed as a whole) and the store's error.
struct SaveFailure {
    std::string form;
    int column = 0;
    Failure error;
};

// The property stored for a control name, from its first three characters compared exactly:
// "txt" "text", "chk" "Value", "cmb" "text", "col" "BackColor", "lab" "Caption",
// "opt" "Value". Nothing for any other name (LAB_NMEA, Lab_BaudRate, Label1, CMD_GO, ...).
std::optional<std::string_view> storedProperty(std::string_view controlName);

// The message shown when the store fails while reading column `column` of form `formName`:
// "Error: 5. Cannot Load Configuration for FRM_NMEA # 3. Using Default Values.", and when
// `location` is given, the store's location and the reason after it:
// " /home/u/.config/pelora/pelora.ini: a named pipe, not a regular file; it is left as it is."
// Each number has one blank in front of it when it is not negative.
std::string loadFailureMessage(int errorNumber, std::string_view formName, int column,
                               std::string_view location = {}, std::string_view reason = {});

// The message shown when the values could not be saved at the close prompt: names the store's
// location and the reason, and says that the program stays open.
std::string saveFailureMessage(const SaveFailure& failure, std::string_view location);

// Cuts a path down to a bare file name. Unless keepFolder, drops everything up to the last ":"
// and then up to the last "\" or "/"; unless keepExtension, drops the last "." and what
// follows it. The result may be empty; it cannot fail.
std::string file_title(std::string_view path, bool keepExtension, bool keepFolder);

// The control-state configuration store: restores the values that the operator left in the
// controls of attached forms and, at a close request, offers to save them before the program
// ends. Runs on the user-interface thread only.
class AutoConfig {
public:
    // `store` and `dialogs` must outlive this object. `applicationName` addresses the settings
    // entries; `applicationTitle` is the title of the load and save failure messages;
    // `endProcess` ends the program (it is called at most once).
    AutoConfig(SettingsStore& store, ConfigDialogs& dialogs, std::string applicationName,
               std::string applicationTitle, std::function<void()> endProcess);

    // Appends the form to attached_forms and, when `load`, records its defaults and restores
    // its stored values (load_form_config). Failures are handled inside. The form must stay
    // alive until the program ends.
    void attach_form(ConfigForm& form, bool load);

    // Handles a request to close `form`: when any attached form's values differ from those
    // loaded, asks whether to save (Yes saves and ends, No ends, Cancel returns false); with no
    // change it ends at once. Returns true when the program has been ended (end_program ran,
    // now or earlier), false when it goes on: after Cancel, or when saving failed (reported in
    // a message box that names the store's location and the reason).
    bool query_close(ConfigForm& form);

    // The attached forms in order of attachment; a form attached twice is listed twice.
    const std::vector<ConfigForm*>& attached_forms() const { return m_attachedForms; }

    // True once end_program has run.
    bool ended() const { return m_ended; }

    // The steps below are the module's own; they are public so that tests can drive them.

    // The values of the form's recognised controls, in the form's control order.
    ValueSet read_controls(ConfigForm& form);

    // Moves one control's value. Read mode (`apply` false) writes name and value into column
    // `index` of `values`; apply mode assigns `values`' row 1 of column `index` to the control.
    // A recognised control advances `index` by one; any other control is passed over. Returns
    // false when the control rejected the value or `values` has no column `index`.
    bool transfer_control(bool apply, ConfigControl& control, int& index, ValueSet& values);

    // Puts `values` into the form's controls; the first rejected value ends the pass with
    // false, and controls already set keep their new values.
    bool apply_values(ConfigForm& form, const ValueSet& values);

    // Records defaultvalues, reads loadedvalues from the store and restores them, falling back
    // to the defaults when reading or restoring fails.
    void load_form_config(ConfigForm& form);

    // The form's recognised controls with the stored values ("" for a missing entry). When the
    // store fails at column k, shows the load failure message and gives the set filled so far
    // with `ok` false.
    ValueSet read_stored_values(ConfigForm& form, bool& ok);

    // Refreshes currentvalues on every attached form; true when any differs from loadedvalues.
    bool config_changed();

    // True only when `loaded` is present and both sets have the same columns, names and
    // values (exact, case-sensitive).
    static bool same_values(const std::optional<ValueSet>& current,
                            const std::optional<ValueSet>& loaded);

    // Writes every recognised control of every attached form, read afresh, each form in one
    // pass of the store (saveSettings). Stops at the first form whose pass fails and returns
    // where and why; the column is then the form's first, as nothing of the form was written.
    std::optional<SaveFailure> save_all_configs();
    std::optional<SaveFailure> save_form_config(ConfigForm& form);

    // Ends the program; later close requests do nothing more.
    void end_program();

private:
    SettingsStore& m_store;
    ConfigDialogs& m_dialogs;
    std::string m_applicationName;
    std::string m_applicationTitle;
    std::function<void()> m_endProcess;
    std::vector<ConfigForm*> m_attachedForms;
    bool m_ended = false;
};

}  // namespace pelora
