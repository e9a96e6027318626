#include "ais/ais_payload.h"

namespace pelora {

namespace {

constexpr int kBitsPerCharacter = 6;
constexpr char kUnsendableCharacter = '?';

// The armouring of one six-bit group: 0..39 from "0", 40..63 from "`".
char armour(std::uint32_t group) {
    constexpr std::uint32_t kFirstHighGroup = 40;
    return static_cast<char>(group < kFirstHighGroup ? group + '0' : group + '0' + 8);
}

// The six-bit code of a text character: "@".."_" are 0..31, " ".."?" are 32..63.
std::uint32_t sixBitCode(char c) {
    if (c >= '@' && c <= '_') return static_cast<std::uint32_t>(c - '@');
    if (c >= ' ' && c <= '?') return static_cast<std::uint32_t>(c);
    return static_cast<std::uint32_t>(kUnsendableCharacter);
}

}  // namespace

void AisPayload::appendBit(std::uint32_t bit) {
    m_partial = (m_partial << 1) | bit;
    ++m_bitCount;
    if (++m_partialBits == kBitsPerCharacter) {
        m_groups.push_back(static_cast<char>(m_partial));
        m_partial = 0;
        m_partialBits = 0;
    }
}

void AisPayload::appendUnsigned(std::uint32_t value, int width) {
    for (int bit = width - 1; bit >= 0; --bit) appendBit((value >> bit) & 1U);
}

void AisPayload::appendSigned(std::int32_t value, int width) {
    appendUnsigned(static_cast<std::uint32_t>(value), width);
}

void AisPayload::appendText(std::string_view text, std::size_t characters) {
    for (std::size_t i = 0; i < characters; ++i) {
        appendUnsigned(i < text.size() ? sixBitCode(text[i]) : 0U, kBitsPerCharacter);
    }
}

std::string AisPayload::armoured() const {
    std::string text;
    text.reserve(m_groups.size() + 1);
    for (const char group : m_groups) text.push_back(armour(static_cast<unsigned char>(group)));
    if (m_partialBits > 0) text.push_back(armour(m_partial << (kBitsPerCharacter - m_partialBits)));
    return text;
}

}  // namespace pelora
