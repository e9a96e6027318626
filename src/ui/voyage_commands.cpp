#include "ui/voyage_commands.h"

#include <utility>

#include "files/voyage_file.h"

namespace pelora {

VoyageCommands::VoyageCommands(VoyageLog& voyage, FileDialogs& dialogs, VoyageCommandHooks hooks)
    : m_voyage(voyage), m_dialogs(dialogs), m_hooks(std::move(hooks)) {}

bool VoyageCommands::saveVoyage() {
    const std::optional<std::string> path = m_dialogs.saveFileName();
    if (!path) {
        return false;
    }
    if (const std::optional<Failure> failure = saveVoyageFile(*path, m_voyage.fixes())) {
        m_hooks.showError(failure->message());
        return false;
    }
    m_dialogs.fileUsed(*path);
    return true;
}

bool VoyageCommands::loadVoyage() {
    const std::optional<std::string> path = m_dialogs.openFileName();
    if (!path) {
        return false;
    }
    return loadVoyageFrom(*path);
}

bool VoyageCommands::loadVoyageFrom(const std::string& path) {
    Result<std::vector<std::string>> loaded = loadVoyageFile(path);
    m_hooks.setPlayingCaption({});
    if (!loaded) {
        m_voyage.endVoyage();
        m_hooks.showError(loaded.failure().message());
        return false;
    }
    m_voyage.replace(std::move(*loaded), m_hooks.fileTitle(path));
    m_dialogs.fileUsed(path);
    return true;
}

void VoyageCommands::endVoyage() {
    m_voyage.endVoyage();
    m_hooks.setPlayingCaption({});
    m_hooks.stopShip();
}

std::string VoyageCommands::playNext() {
    PlaybackStep step = m_voyage.playNext();
    m_hooks.setPlayingCaption(step.caption);
    return std::move(step.sentence);
}

}  // namespace pelora
