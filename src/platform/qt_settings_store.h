#pragma once

#include <optional>
#include <string>

#include <QString>

#include "config/settings_store.h"

namespace pelora {

// The running program's executable file name without folder and extension ("pelora"), so that
// a copy under another name keeps entries of its own. Requires a QCoreApplication; gives
// "pelora" when the name cannot be found.
std::string applicationName();

// The folder that holds per-user settings: $XDG_CONFIG_HOME, or ~/.config when it is not set.
// Read anew at every call.
QString userSettingsFolder();

// The per-user settings store in INI files: the entries of an application are kept in
// <folder>/<application>/<application>.ini, the section as the INI group and the key as the
// key; that is where QSettings(IniFormat, UserScope, application, application) keeps them.
// Every call opens the file afresh, so a failure is seen where it happens. A file that cannot
// be read or parsed, or a write that did not reach the disk, gives an error. The [Ports] group
// belongs to the serial device map and is left as it is.
class QtSettingsStore : public SettingsStore {
public:
    // `application` names the file that location() reports; `folder` is where the per-user
    // settings live (userSettingsFolder() by default).
    explicit QtSettingsStore(std::string application, QString folder = userSettingsFolder());

    // A value written by hand with commas and no quotes reads back joined with "," (blanks
    // around the commas are not kept).
    SettingRead GetSetting(const std::string& application, const std::string& section,
                           const std::string& key) override;
    // Writes the entry and flushes the file to disk before returning.
    std::optional<SettingsError> SaveSetting(const std::string& application,
                                             const std::string& section, const std::string& key,
                                             const std::string& value) override;
    std::optional<SettingsError> saveSettings(
        const std::string& application, const std::string& section,
        const std::vector<std::pair<std::string, std::string>>& entries) override;
    // The INI file of the application given at construction.
    std::string location() const override;

    // The INI file that holds `application`'s entries.
    QString fileFor(const std::string& application) const;

private:
    std::string m_application;
    QString m_folder;
};

}  // namespace pelora
