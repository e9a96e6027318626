#include "sim/voyage_text.h"

#include <utility>

namespace pelora {

namespace {

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

void LineSplitter::feed(std::string_view piece) {
    while (!piece.empty()) {
        const std::size_t lineFeed = piece.find('\n');
        if (lineFeed == std::string_view::npos) {
            m_partial.append(piece);
            return;
        }
        std::string line;
        if (m_partial.empty()) {
            line.assign(piece.substr(0, lineFeed));
        } else {
            m_partial.append(piece.substr(0, lineFeed));
            line = std::move(m_partial);
            m_partial.clear();
        }
        dropCarriageReturn(line);
        m_lines.push_back(std::move(line));
        piece.remove_prefix(lineFeed + 1);
    }
}

std::vector<std::string> LineSplitter::finish() {
    if (!m_partial.empty()) {
        m_lines.push_back(std::move(m_partial));
        m_partial.clear();
    }
    std::vector<std::string> lines = std::move(m_lines);
    m_lines.clear();
    return lines;
}

std::vector<std::string> splitLines(std::string_view content) {
    LineSplitter splitter;
    splitter.feed(content);
    return splitter.finish();
}

}  // namespace pelora
