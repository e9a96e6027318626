#pragma once

#include <optional>
#include <string>

#include <QString>

#include <sys/types.h>

#include "config/ini_document.h"
#include "config/settings_store.h"
#include "platform/app_identity.h"

namespace pelora {


// The per-user settings store in INI files: the entries of an application are kept in its
// settings file (settingsFilePath), the section as the INI group and the key as the key, in the
// form QSettings(IniFormat) reads and writes, so that files written by QSettings, by hand or by
// older versions of the program read as before.
//
// Reading is lenient (IniDocument): a damaged line or value spoils only itself. Only a file that
// cannot be read at all is an error, and so is one that is not a regular file (a folder, a named
// pipe, a device such as /dev/zero, also behind a link) or holds more than kLargestFileBytes:
// such a file is not read, and never written over either. Writing goes through the program's own checked, atomic
// pass (writeFileAtomically): the whole file is written anew in one go with every group, line
// and comment the program does not change kept byte for byte, the [Ports] group of the serial
// device map included; on any failure the old file stays as it was and the error names the
// system's reason. The parsed file is kept between calls while the file's stamp is unchanged,
// so that many reads of a large file read and parse it once; a file changed in any way is read
// afresh.
class QtSettingsStore : public SettingsStore {
public:
    // The most a settings file may hold (the program's own values and port map take a few
    // hundred bytes; hand-written groups of a million lines still fit).
    static constexpr off_t kLargestFileBytes = off_t{128} << 20;

    // An entry as its file holds it.
    struct Entry {
        std::optional<IniValue> value;        // nothing when the file holds no such entry
        std::optional<Failure> error;   // the file exists but cannot be read
    };

    // `application` names the file that location() reports; `folder` is where the per-user
    // settings live (empty: userSettingsFolder(), looked up at each use).
    explicit QtSettingsStore(std::string application, QString folder = {});

    // A damaged value (an unclosed quote) reads as the text its line holds.
    SettingRead GetSetting(const std::string& application, const std::string& section,
                           const std::string& key) override;
    // Writes the entry in one pass, as saveSettings does.
    std::optional<Failure> SaveSetting(const std::string& application,
                                             const std::string& section, const std::string& key,
                                             const std::string& value) override;
    // Writes the whole file once, flushed to the disk, before returning. Creates the folders
    // of the file as needed. A file that exists but cannot be read is never written over.
    std::optional<Failure> saveSettings(
        const std::string& application, const std::string& section,
        const std::vector<std::pair<std::string, std::string>>& entries) override;
    // The INI file of the application given at construction.
    std::string location() const override;

    // The entry of `application`'s file with its damage mark, or the error that stopped reading
    // the file (a file that exists, or a link that leads nowhere, but cannot be read).
    Entry readEntry(const std::string& application, const std::string& section,
                    const std::string& key) const;

    // The INI file that holds `application`'s entries.
    QString fileFor(const std::string& application) const;

private:
    std::string m_application;
    QString m_folder;
};

}  // namespace pelora
