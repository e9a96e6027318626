#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "config/settings_store.h"

namespace pelora {

// A settings store held in memory, for tests: it can be told to fail reading from a given read
// on, or to fail every write, and it counts the reads and writes it served.
class MemorySettingsStore : public SettingsStore {
public:
    using Address = std::tuple<std::string, std::string, std::string>;  // application, section, key

    explicit MemorySettingsStore(std::string location = "memory");

    SettingRead GetSetting(const std::string& application, const std::string& section,
                           const std::string& key) override;
    std::optional<Failure> SaveSetting(const std::string& application,
                                             const std::string& section, const std::string& key,
                                             const std::string& value) override;
    std::optional<Failure> saveSettings(
        const std::string& application, const std::string& section,
        const std::vector<std::pair<std::string, std::string>>& entries) override;
    std::string location() const override { return m_location; }

    // Makes read number `readIndex` (counting from 0 over the store's life) and every later
    // read fail with `error`.
    void failReadsFrom(int readIndex, Failure error);
    // Makes every later write fail with `error`; nothing is stored then.
    void failWrites(Failure error);

    // Every entry, by address.
    const std::map<Address, std::string>& entries() const { return m_entries; }
    // The stored value, or nothing when the entry does not exist.
    std::optional<std::string> entry(const std::string& application, const std::string& section,
                                     const std::string& key) const;
    void setEntry(const std::string& application, const std::string& section,
                  const std::string& key, const std::string& value);

    int readCount() const { return m_reads; }
    int writeCount() const { return m_writes; }

private:
    std::string m_location;
    std::map<Address, std::string> m_entries;
    std::optional<int> m_failReadFrom;
    Failure m_readError;
    std::optional<Failure> m_writeError;
    int m_reads = 0;
    int m_writes = 0;
};

}  // namespace pelora
