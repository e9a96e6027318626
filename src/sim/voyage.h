#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace pelora {

// What one playback tick sends and shows.
struct PlaybackStep {
    std::string sentence;  // the fix to send, or "" once every fix has been sent
    std::string caption;   // the text of LabPlaying, "Playing #i/n: name"
};

// The voyage: every sentence the ship has sent, and the playback of a loaded voyage.
// The list always ends with an empty spare slot; the fixes are the slots before it.
// Recording while Voyage_Name is empty, playing while it is not.
class VoyageLog {
public:
    // A voyage with the spare slot only, not playing.
    VoyageLog();

    // Records a sentence a simulated step has sent: it goes into the spare slot and a new
    // spare slot is added. The tick calls this only when it did not play back.
    void record(std::string sentence);

    // The recorded or loaded fixes, in order, without the spare slot. Valid until the next
    // change of the voyage.
    std::span<const std::string> fixes() const;
    std::size_t fixCount() const;
    // The whole list: the fixes followed by the empty spare slot.
    const std::vector<std::string>& withSpareSlot() const { return Voyage_Log; }

    // True while a loaded voyage is playing (Voyage_Name not empty).
    bool isPlaying() const;
    std::size_t playIndex() const;
    const std::string& voyageName() const;

    // One playback tick: the caption counts the fix about to be sent over the number of
    // fixes; the sentence is the fix at Play_Index (which then advances), or "" when every
    // fix has been sent. Requires nothing: works whether playing or not.
    PlaybackStep playNext();

    // Replaces the list by a loaded voyage: the lines become the fixes, Play_Index goes to 0
    // and Voyage_Name becomes `name`. With an empty name the fixes are loaded but playback
    // stays off, so later steps simulate and record after them. Needs no memory when `lines`
    // has room for one more (the spare slot); when it needs memory that is not there, the
    // voyage stays as it was.
    void replace(std::vector<std::string> lines, std::string name);

    // Ends playback: Voyage_Name becomes empty. The list keeps its fixes, so recording goes
    // on after them; Play_Index stays where it was.
    void endVoyage();

    // "Playing #" index "/" count ": " name, the numbers in plain decimal.
    static std::string playingCaption(std::size_t index, std::size_t count, const std::string& name);

private:
    std::vector<std::string> Voyage_Log;
    std::size_t Play_Index = 0;
    std::string Voyage_Name;
};

}  // namespace pelora
