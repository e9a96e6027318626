#include "sim/voyage.h"

#include <utility>

namespace pelora {

VoyageLog::VoyageLog() : Voyage_Log(1) {}

void VoyageLog::record(std::string sentence) {
    Voyage_Log.back() = std::move(sentence);
    Voyage_Log.emplace_back();
}

std::span<const std::string> VoyageLog::fixes() const {
    return std::span<const std::string>(Voyage_Log.data(), fixCount());
}

std::size_t VoyageLog::fixCount() const { return Voyage_Log.size() - 1; }

bool VoyageLog::isPlaying() const { return !Voyage_Name.empty(); }

std::size_t VoyageLog::playIndex() const { return Play_Index; }

const std::string& VoyageLog::voyageName() const { return Voyage_Name; }

PlaybackStep VoyageLog::playNext() {
    PlaybackStep step;
    step.caption = playingCaption(Play_Index, fixCount(), Voyage_Name);
    if (Play_Index < fixCount()) {
        step.sentence = Voyage_Log[Play_Index];
        ++Play_Index;
    }
    return step;
}

void VoyageLog::replace(std::vector<std::string> lines, std::string name) {
    // The spare slot goes onto the new list first: should it need memory that is not there,
    // the voyage is still the one before.
    lines.emplace_back();
    Voyage_Log = std::move(lines);
    Play_Index = 0;
    Voyage_Name = std::move(name);
}

void VoyageLog::endVoyage() { Voyage_Name.clear(); }

std::string VoyageLog::playingCaption(std::size_t index, std::size_t count, const std::string& name) {
    return "Playing #" + std::to_string(index) + "/" + std::to_string(count) + ": " + name;
}

}  // namespace pelora
