#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/failure.h"

namespace pelora {

// The result of GetSetting: the value, or the error that stopped reading it.
struct SettingRead {
    std::string value;
    std::optional<Failure> error;

    bool ok() const { return !error.has_value(); }
};

// The per-user settings store: text values addressed by application, section and key, kept
// between runs. Nothing is ever deleted.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The entry's value; the empty text when the entry, its section or its application does
    // not exist. Fails when the store cannot be read.
    virtual SettingRead GetSetting(const std::string& application, const std::string& section,
                                   const std::string& key) = 0;

    // Creates the entry or replaces its value; application and section come into being as
    // needed, and everything else the store holds stays as it was. Returns the error when the
    // value did not reach the store; the store is then left as it was.
    virtual std::optional<Failure> SaveSetting(const std::string& application,
                                                     const std::string& section,
                                                     const std::string& key,
                                                     const std::string& value) = 0;

    // Writes several entries of one section in one pass: each is created or replaced as by
    // SaveSetting (the last one wins when a key is named twice), and either all of them reach
    // the store or none does (the store is left as it was). Returns the error when they did not
    // reach the store.
    virtual std::optional<Failure> saveSettings(
        const std::string& application, const std::string& section,
        const std::vector<std::pair<std::string, std::string>>& entries) = 0;

    // Where the entries are kept (a file path), for messages.
    virtual std::string location() const = 0;
};

}  // namespace pelora
