#pragma once

#include <functional>
#include <string>

#include "platform/file_dialogs.h"
#include "sim/voyage.h"

namespace pelora {

// What the voyage commands need from the window.
struct VoyageCommandHooks {
    // Shows a failure to the operator (a modal message box); the program then goes on.
    std::function<void(const std::string& message)> showError;
    // The bare name of a file: no folder, no extension (file_title with both keeps off).
    std::function<std::string(const std::string& path)> fileTitle;
    // Stops the ship as the Stop button does.
    std::function<void()> stopShip;
    // Sets the caption of LabPlaying.
    std::function<void(const std::string& caption)> setPlayingCaption;
};

// The "Voyage" menu and the playback tick over one voyage. Every hook must be set.
class VoyageCommands {
public:
    // `voyage` and `dialogs` must outlive this.
    VoyageCommands(VoyageLog& voyage, FileDialogs& dialogs, VoyageCommandHooks hooks);

    // "Save Voyage": asks for a file and writes the fixes to it. Cancel does nothing; a
    // failure is shown and leaves an existing file as it was. The voyage never changes.
    // A file written is told to the dialogs (FileDialogs::fileUsed). Returns whether a file
    // was written.
    bool saveVoyage();

    // "Load Voyage": asks for a file, reads it whole and only then replaces the voyage, which
    // plays from its first fix (unless the file's bare name is empty). Cancel does nothing.
    // A failure is shown, keeps the fixes as they were and turns playback off. Clears the
    // caption of LabPlaying either way. A file loaded is told to the dialogs. Returns whether
    // a voyage was loaded.
    bool loadVoyage();

    // Loads the voyage at `path` as "Load Voyage" does once a file is chosen.
    bool loadVoyageFrom(const std::string& path);

    // "End Voyage": playback off, LabPlaying empty, the ship stopped.
    void endVoyage();

    // One playback tick: sets LabPlaying and returns the sentence to send ("" after the last
    // fix). Call only while the voyage is playing.
    std::string playNext();

private:
    VoyageLog& m_voyage;
    FileDialogs& m_dialogs;
    VoyageCommandHooks m_hooks;
};

}  // namespace pelora
