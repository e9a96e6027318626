#pragma once

#include <string>
#include <vector>

#include "ais/ais_payload.h"

namespace pelora {

// Whose message a sentence carries: another ship's ("!AIVDM") or the own ship's ("!AIVDO").
enum class AisTalker { OtherShip, OwnShip };

// The most payload characters one sentence carries, so that the longest sentence,
// "!AIVDM,9,9,9,B," plus the payload plus ",5*HH" and the line end, stays within NMEA 0183's
// 82 characters.
inline constexpr std::size_t kAivdmPayloadCharacters = 60;

// Puts AIS messages into AIVDM/AIVDO sentences as an AIS receiver writes them on its NMEA port:
// "!AIVDM,<fragments>,<fragment number>,<sequential id>,<channel>,<payload>,<fill bits>*<checksum>".
// Messages go on channels A and B in turn, starting with A; a message that needs more than one
// sentence takes the next sequential id (0..9, then 0 again), a single sentence none.
class AivdmFramer {
public:
    // Appends the sentences (without line end) carrying `payload` to `lines`, in fragment order;
    // all of them on the same channel, the fill bits in the last one only. Requires a payload
    // of at most nine sentences (540 characters, 3240 bits; AIS messages have at most 1008).
    void frame(const AisPayload& payload, AisTalker talker, std::vector<std::string>& lines);

private:
    int m_nextSequentialId = 0;
    bool m_nextOnChannelB = false;
};

}  // namespace pelora
