#pragma once

// Splits a fuzzer's bytes into the typed values a target needs.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace pelora::fuzzing {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    double takeDouble() {
        double value = 0;
        takeBytes(&value, sizeof value);
        return value;
    }
    int takeInt() {
        std::int32_t value = 0;
        takeBytes(&value, sizeof value);
        return value;
    }
    bool takeBool() {
        std::uint8_t value = 0;
        takeBytes(&value, 1);
        return (value & 1U) != 0;
    }
    // A text as long as the next two bytes say (at most what is left).
    std::string takeString() {
        std::uint16_t length = 0;
        takeBytes(&length, sizeof length);
        const std::size_t n = length < m_size ? length : m_size;
        std::string out(reinterpret_cast<const char*>(m_data), n);
        m_data += n;
        m_size -= n;
        return out;
    }
    std::string rest() {
        std::string out(reinterpret_cast<const char*>(m_data), m_size);
        m_size = 0;
        return out;
    }

private:
    void takeBytes(void* out, std::size_t count) {
        const std::size_t n = count < m_size ? count : m_size;
        std::memcpy(out, m_data, n);
        m_data += n;
        m_size -= n;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
};

}  // namespace pelora::fuzzing
