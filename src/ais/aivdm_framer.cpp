#include "ais/aivdm_framer.h"

#include <algorithm>

namespace pelora {

namespace {

constexpr int kSequentialIds = 10;

// "*HH": the exclusive-or of every character after the leading "!", in capital hexadecimal.
void appendChecksum(std::string& sentence) {
    unsigned char sum = 0;
    for (std::size_t i = 1; i < sentence.size(); ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    sentence.push_back('*');
    sentence.push_back(kHexDigits[sum >> 4]);
    sentence.push_back(kHexDigits[sum & 0xF]);
}

}  // namespace

void AivdmFramer::frame(const AisPayload& payload, AisTalker talker, std::vector<std::string>& lines) {
    const std::string armoured = payload.armoured();
    const std::size_t fragments =
        std::max<std::size_t>(1, (armoured.size() + kAivdmPayloadCharacters - 1) / kAivdmPayloadCharacters);
    std::string sequentialId;
    if (fragments > 1) {
        sequentialId = std::to_string(m_nextSequentialId);
        m_nextSequentialId = (m_nextSequentialId + 1) % kSequentialIds;
    }
    const char channel = m_nextOnChannelB ? 'B' : 'A';
    m_nextOnChannelB = !m_nextOnChannelB;
    const char* const start = talker == AisTalker::OwnShip ? "!AIVDO," : "!AIVDM,";

    for (std::size_t fragment = 1; fragment <= fragments; ++fragment) {
        const std::size_t first = (fragment - 1) * kAivdmPayloadCharacters;
        std::string sentence;
        sentence.reserve(82);
        sentence += start;
        sentence += std::to_string(fragments);
        sentence += ',';
        sentence += std::to_string(fragment);
        sentence += ',';
        sentence += sequentialId;
        sentence += ',';
        sentence += channel;
        sentence += ',';
        sentence.append(armoured, first, kAivdmPayloadCharacters);
        sentence += ',';
        sentence += static_cast<char>('0' + (fragment == fragments ? payload.fillBits() : 0));
        appendChecksum(sentence);
        lines.push_back(std::move(sentence));
    }
}

}  // namespace pelora
