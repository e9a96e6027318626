#include "platform/qt_settings_store.h"

#include <cerrno>
#include <memory>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <QFile>

#include "platform/atomic_file.h"
#include "text/text.h"

namespace pelora {
namespace {

// A file written within the resolution of its times before it was read may be written again
// with the same stamp: until that time has passed, its bytes are compared anew at each read.
// File systems with nanosecond times take them from a clock that moves every few milliseconds;
// others keep whole seconds (two on FAT).
constexpr std::int64_t kNsPerSecond = 1'000'000'000;
constexpr std::int64_t kFineResolutionNs = 100'000'000;
constexpr std::int64_t kCoarseResolutionNs = 2 * kNsPerSecond;
// Parsed files kept at once: the program's own, and a few more in tests.
constexpr std::size_t kKeptFiles = 4;

Failure settingsError(const std::error_code& error) { return Failure{{}, error.message(), error.value()}; }

Failure settingsError(const FileContent& content) {
    if (content.refusal.empty()) return settingsError(content.error);
    return Failure{{}, content.refusal + "; it is left as it is", content.error.value()};
}

std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

// The parsed settings files of the process, shared by every store and kept while each file's
// stamp is unchanged.
class ParsedFiles {
public:
    struct Result {
        std::shared_ptr<const IniDocument> document;
        std::optional<Failure> error;
    };

    // The parsed file at `path`; an empty document when there is no file.
    Result load(const std::string& path) {
        FileStamp stamp;
        if (const std::error_code error = fileStamp(path, stamp)) {
            struct stat link {};
            if (error.value() == ENOENT && ::lstat(path.c_str(), &link) != 0) {
                return {std::make_shared<const IniDocument>(), std::nullopt};
            }
            return {nullptr, settingsError(error)};  // a link that leads nowhere, or worse
        }
        const std::lock_guard lock(m_mutex);
        Kept* kept = find(path);
        if (kept != nullptr && kept->stamp == stamp && !kept->mayHaveChangedUnseen()) {
            return {kept->document, std::nullopt};
        }
        const std::int64_t readAt = fileClockNowNs();
        FileContent content = readWholeFile(path, QtSettingsStore::kLargestFileBytes);
        if (content.error) {
            if (content.error.value() == ENOENT) return {std::make_shared<const IniDocument>(), std::nullopt};
            return {nullptr, settingsError(content)};
        }
        if (kept != nullptr && kept->document->text() == content.bytes) {
            kept->stamp = content.stamp;
            kept->readAtNs = readAt;
            return {kept->document, std::nullopt};
        }
        Kept& fresh = keep(path);
        fresh.stamp = content.stamp;
        fresh.readAtNs = readAt;
        fresh.document = std::make_shared<const IniDocument>(std::move(content.bytes));
        return {fresh.document, std::nullopt};
    }

    // Forgets what was read of `path`: it has been written anew.
    void forget(const std::string& path) {
        const std::lock_guard lock(m_mutex);
        drop(path);
    }

private:
    struct Kept {
        std::string path;
        FileStamp stamp;
        std::int64_t readAtNs = 0;
        std::shared_ptr<const IniDocument> document;

        bool mayHaveChangedUnseen() const {
            const bool wholeSeconds = stamp.modifiedNs % kNsPerSecond == 0 && stamp.changedNs % kNsPerSecond == 0;
            const std::int64_t resolution = wholeSeconds ? kCoarseResolutionNs : kFineResolutionNs;
            return stamp.modifiedNs + resolution > readAtNs || stamp.changedNs + resolution > readAtNs;
        }
    };

    Kept* find(const std::string& path) {
        for (Kept& kept : m_kept) {
            if (kept.path == path) return &kept;
        }
        return nullptr;
    }

    // The place for `path`, the most recently used first.
    Kept& keep(const std::string& path) {
        drop(path);
        if (m_kept.size() == kKeptFiles) m_kept.pop_back();
        m_kept.insert(m_kept.begin(), Kept{});
        m_kept.front().path = path;
        return m_kept.front();
    }

    void drop(const std::string& path) {
        std::erase_if(m_kept, [&](const Kept& kept) { return kept.path == path; });
    }

    std::mutex m_mutex;
    std::vector<Kept> m_kept;
};

ParsedFiles& parsedFiles() {
    static ParsedFiles files;
    return files;
}

}  // namespace

QtSettingsStore::QtSettingsStore(std::string application, QString folder)
    : m_application(std::move(application)), m_folder(std::move(folder)) {}

QString QtSettingsStore::fileFor(const std::string& application) const {
    return settingsFilePath(application, m_folder.isEmpty() ? userSettingsFolder() : m_folder);
}

std::string QtSettingsStore::location() const { return fileFor(m_application).toStdString(); }

QtSettingsStore::Entry QtSettingsStore::readEntry(const std::string& application,
                                                  const std::string& section,
                                                  const std::string& key) const {
    const ParsedFiles::Result file = parsedFiles().load(nativePath(fileFor(application)));
    if (file.error) {
        return {std::nullopt, file.error};
    }
    return {file.document->value(section, key), std::nullopt};
}

SettingRead QtSettingsStore::GetSetting(const std::string& application, const std::string& section,
                                        const std::string& key) {
    Entry entry = readEntry(application, section, key);
    if (entry.error) {
        return {"", std::move(entry.error)};
    }
    return {entry.value ? std::move(entry.value->text) : std::string(), std::nullopt};
}

std::optional<Failure> QtSettingsStore::SaveSetting(const std::string& application,
                                                          const std::string& section,
                                                          const std::string& key,
                                                          const std::string& value) {
    return saveSettings(application, section, {{key, value}});
}

std::optional<Failure> QtSettingsStore::saveSettings(
    const std::string& application, const std::string& section,
    const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string path = nativePath(fileFor(application));
    if (const std::error_code error = makeFolders(folderOf(path))) {
        return settingsError(error);
    }
    const ParsedFiles::Result file = parsedFiles().load(path);
    if (file.error) {
        return file.error;  // what cannot be read cannot be kept: leave it alone
    }
    std::string added;
    const std::vector<std::string_view> pieces = file.document->piecesWith(section, entries, added);
    if (const std::error_code error = writeFileAtomically(path, pieces)) {
        return settingsError(error);
    }
    parsedFiles().forget(path);
    return std::nullopt;
}

}  // namespace pelora
