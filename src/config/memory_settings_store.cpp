#include "config/memory_settings_store.h"

#include <utility>

namespace pelora {

MemorySettingsStore::MemorySettingsStore(std::string location) : m_location(std::move(location)) {}

SettingRead MemorySettingsStore::GetSetting(const std::string& application,
                                            const std::string& section, const std::string& key) {
    const int readIndex = m_reads++;
    if (m_failReadFrom && readIndex >= *m_failReadFrom) {
        return {"", m_readError};
    }
    return {entry(application, section, key).value_or(""), std::nullopt};
}

std::optional<Failure> MemorySettingsStore::SaveSetting(const std::string& application,
                                                              const std::string& section,
                                                              const std::string& key,
                                                              const std::string& value) {
    ++m_writes;
    if (m_writeError) {
        return m_writeError;
    }
    setEntry(application, section, key, value);
    return std::nullopt;
}

std::optional<Failure> MemorySettingsStore::saveSettings(
    const std::string& application, const std::string& section,
    const std::vector<std::pair<std::string, std::string>>& entries) {
    ++m_writes;
    if (m_writeError) {
        return m_writeError;
    }
    for (const auto& [key, value] : entries) {
        setEntry(application, section, key, value);
    }
    return std::nullopt;
}

void MemorySettingsStore::failReadsFrom(int readIndex, Failure error) {
    m_failReadFrom = readIndex;
    m_readError = std::move(error);
}

void MemorySettingsStore::failWrites(Failure error) { m_writeError = std::move(error); }

std::optional<std::string> MemorySettingsStore::entry(const std::string& application,
                                                      const std::string& section,
                                                      const std::string& key) const {
    const auto found = m_entries.find(Address{application, section, key});
    if (found == m_entries.end()) {
        return std::nullopt;
    }
    return found->second;
}

void MemorySettingsStore::setEntry(const std::string& application, const std::string& section,
                                   const std::string& key, const std::string& value) {
    m_entries[Address{application, section, key}] = value;
}

}  // namespace pelora
