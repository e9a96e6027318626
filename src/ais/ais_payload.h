#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelora {

// The bits of one AIS message, written field by field (most significant bit first) and packed
// six to a character as AIVDM sentences carry them.
class AisPayload {
public:
    // Appends the low `width` bits of `value`. Requires 0 <= width <= 32.
    void appendUnsigned(std::uint32_t value, int width);

    // Appends `value` in two's complement of `width` bits. Requires 1 <= width <= 32 and the
    // value to fit.
    void appendSigned(std::int32_t value, int width);

    // Appends `text` as `characters` six-bit characters: cut after that many, padded with "@"
    // (code 0). A character AIS cannot send (see kAisTextCharacters) goes as "?".
    void appendText(std::string_view text, std::size_t characters);

    std::size_t bitCount() const { return m_bitCount; }

    // The payload armoured as AIVDM carries it ("0".."W", "`".."w"), padded with zero bits to
    // a whole character.
    std::string armoured() const;

    // The zero bits `armoured` adds after the last field, 0..5.
    int fillBits() const { return static_cast<int>((6 - m_bitCount % 6) % 6); }

private:
    void appendBit(std::uint32_t bit);

    std::string m_groups;           // complete six-bit groups, values 0..63
    std::uint32_t m_partial = 0;    // bits of the group being filled
    int m_partialBits = 0;
    std::size_t m_bitCount = 0;
};

}  // namespace pelora
