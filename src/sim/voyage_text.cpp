#include "sim/voyage_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

namespace pelora {

namespace {

constexpr unsigned char kTab = 0x09;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;

// Which bytes are binary data in a voyage: the control bytes but tab, CR and LF.
constexpr std::array<bool, 256> kBinaryBytes = [] {
    std::array<bool, 256> binary{};
    for (unsigned byte = 0; byte < kFirstPrintable; ++byte) {
        binary[byte] = byte != kTab && byte != kLineFeed && byte != kCarriageReturn;
    }
    binary[kDelete] = true;
    return binary;
}();

// The first binary byte of `bytes`, if any.
const char* firstBinaryByte(std::string_view bytes) {
    const auto found = std::find_if(bytes.begin(), bytes.end(), [](char c) {
        return kBinaryBytes[static_cast<unsigned char>(c)];
    });
    return found == bytes.end() ? nullptr : &*found;
}

void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}

}  // namespace

void appendFixLine(std::string& out, std::string_view fix) {
    out.append(fix);
    out.append(kVoyageLineEnd);
}

std::string joinFixes(std::span<const std::string> fixes) {
    std::size_t size = 0;
    for (const std::string& fix : fixes) {
        size += fix.size() + kVoyageLineEnd.size();
    }
    std::string content;
    content.reserve(size);
    for (const std::string& fix : fixes) {
        appendFixLine(content, fix);
    }
    return content;
}

LineSplitter::LineSplitter(VoyageTextLimits limits) : m_limits(limits) {}

void LineSplitter::expectBytes(std::uintmax_t contentBytes) {
    const std::uintmax_t lines = std::min<std::uintmax_t>(contentBytes, m_limits.maxLines);
    m_lines.reserve(static_cast<std::size_t>(lines) + 1);
}

bool LineSplitter::feed(std::string_view piece) {
    if (m_fault) {
        return false;
    }
    while (!piece.empty()) {
        const std::size_t lineFeed = piece.find('\n');
        const std::string_view bytes = piece.substr(0, lineFeed);
        // A line may hold one byte more than the bound while it has no end yet: the CR of a
        // CR LF. The bytes are judged in their order, so that the fault found is the same
        // however the content is cut into pieces.
        const std::size_t room = m_limits.maxLineBytes + 1 - m_partial.size();
        if (const char* binary = firstBinaryByte(bytes.substr(0, room))) {
            char byte[8];
            std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(*binary)));
            return refuse("line " + std::to_string(m_lines.size() + 1) + " holds binary data (byte " + byte +
                          "), so it is not a voyage");
        }
        if (bytes.size() > room) {
            return refuseLongLine();
        }
        if (lineFeed == std::string_view::npos) {
            m_partial.append(bytes);
            return true;
        }
        std::string line;
        if (m_partial.empty()) {
            line.assign(bytes);
        } else {
            m_partial.append(bytes);
            line = std::move(m_partial);
            m_partial.clear();
        }
        dropCarriageReturn(line);
        if (!takeLine(std::move(line))) {
            return false;
        }
        piece.remove_prefix(lineFeed + 1);
    }
    return true;
}

bool LineSplitter::takeLine(std::string line) {
    if (line.size() > m_limits.maxLineBytes) {
        return refuseLongLine();
    }
    if (m_lines.size() >= m_limits.maxLines) {
        return refuse("it holds more than " + std::to_string(m_limits.maxLines) +
                      " lines, the most a voyage may have");
    }
    m_lines.push_back(std::move(line));
    return true;
}

bool LineSplitter::refuseLongLine() {
    return refuse("line " + std::to_string(m_lines.size() + 1) + " is longer than " +
                  std::to_string(m_limits.maxLineBytes) + " characters, so it is not a voyage line");
}

bool LineSplitter::refuse(std::string reason) {
    m_fault = std::move(reason);
    std::vector<std::string>().swap(m_lines);
    std::string().swap(m_partial);
    return false;
}

VoyageLines LineSplitter::finish() {
    if (!m_fault && !m_partial.empty()) {
        std::string last = std::move(m_partial);
        takeLine(std::move(last));
    }
    VoyageLines result{std::move(m_lines), std::move(m_fault)};
    m_lines.clear();
    m_partial.clear();
    m_fault.reset();
    return result;
}

VoyageLines splitLines(std::string_view content, VoyageTextLimits limits) {
    LineSplitter splitter(limits);
    splitter.feed(content);
    return splitter.finish();
}

}  // namespace pelora
