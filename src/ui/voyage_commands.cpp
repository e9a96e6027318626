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
    const VoyageSaveResult saved = saveVoyageFile(*path, m_voyage.fixes());
    if (!saved.ok) {
        m_hooks.showError(saved.error);
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
    VoyageLoadResult loaded = loadVoyageFile(path);
    m_hooks.setPlayingCaption({});
    if (!loaded.ok) {
        m_voyage.endVoyage();
        m_hooks.showError(loaded.error);
        return false;
    }
    m_voyage.replace(std::move(loaded.lines), m_hooks.fileTitle(path));
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
