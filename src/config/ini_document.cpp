#include "config/ini_document.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace pelora {
namespace {

constexpr std::size_t kNone = std::string::npos;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr char kHexUpper[] = "0123456789ABCDEF";
constexpr char kHexLower[] = "0123456789abcdef";
constexpr std::int32_t kRootGroup = 0;
constexpr unsigned kLastControlCharacter = 0x1F;
constexpr unsigned kLastLatin1 = 0xFF;
constexpr char32_t kReplacementCharacter = 0xFFFD;

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isOctalDigit(char c) { return c >= '0' && c <= '7'; }
unsigned hexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
    return static_cast<unsigned>(c - 'A' + 10);
}

std::string_view trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return isBlank(c) || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

void appendUtf8(std::string& out, char32_t code) {
    if (code >= 0xD800 && code <= 0xDFFF) code = kReplacementCharacter;  // a lone UTF-16 half
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The UTF-16 units of `text` read as UTF-8; a byte that starts no valid sequence stands for
// itself (as Latin-1).
std::vector<char16_t> utf16Units(std::string_view text) {
    std::vector<char16_t> units;
    units.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead >> 5) == 0x6) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead >> 4) == 0xE) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead >> 3) == 0x1E) {
            length = 4;
            code = lead & 0x07;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        if (!valid) {
            units.push_back(lead);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return units;
}

// A key or group name as QSettings writes it: letters, digits, "_", "-" and "." as they are,
// "/" as "\", other characters as %XX or %UXXXX.
std::string escapedKey(std::string_view key) {
    std::string out;
    for (const char16_t unit : utf16Units(key)) {
        if (unit == '/') {
            out += '\\';
        } else if ((unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z') ||
                   (unit >= '0' && unit <= '9') || unit == '_' || unit == '-' || unit == '.') {
            out += static_cast<char>(unit);
        } else if (unit <= kLastLatin1) {
            out += '%';
            out += kHexUpper[unit >> 4];
            out += kHexUpper[unit & 0xF];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHexUpper[(unit >> shift) & 0xF];
        }
    }
    return out;
}

// A key or group name as QSettings reads it: "\" is "/", %XX and %UXXXX are characters.
std::string unescapedKey(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (std::size_t i = 0; i < key.size();) {
        const char c = key[i];
        if (c == '\\') {
            out += '/';
            ++i;
            continue;
        }
        if (c != '%' || i + 1 == key.size()) {
            out += c;
            ++i;
            continue;
        }
        const bool wide = key[i + 1] == 'U';
        const std::size_t first = i + (wide ? 2 : 1);
        const std::size_t digits = wide ? 4 : 2;
        if (first + digits > key.size() ||
            !std::all_of(key.begin() + static_cast<std::ptrdiff_t>(first),
                         key.begin() + static_cast<std::ptrdiff_t>(first + digits), isHexDigit)) {
            out += '%';
            ++i;
            continue;
        }
        char32_t code = 0;
        for (std::size_t k = first; k < first + digits; ++k) code = code * 16 + hexValue(key[k]);
        appendUtf8(out, code);
        i = first + digits;
    }
    return out;
}

std::uint32_t keyHash(std::string_view key) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// The parts of one line, found as QSettings finds them: a backslash hides the character after
// it, quotes hide "=" and ";", and an unquoted ";" after the first character ends the line.
struct LineParts {
    std::size_t first = 0;       // the first character that is not blank
    std::size_t equals = kNone;  // the first unquoted "="
    std::size_t end = 0;         // where a trailing comment starts, or the end of the line
    bool openQuote = false;      // a quote is still open at `end`
};

// With `keyOnly`, stops at the "=" (then `end` and `openQuote` tell nothing about the value).
LineParts lineParts(std::string_view line, bool keyOnly = false) {
    LineParts parts;
    while (parts.first < line.size() && isBlank(line[parts.first])) ++parts.first;
    parts.end = line.size();
    for (std::size_t i = parts.first; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\') {
            ++i;
        } else if (c == '"') {
            parts.openQuote = !parts.openQuote;
        } else if (parts.openQuote) {
            continue;
        } else if (c == '=' && parts.equals == kNone) {
            parts.equals = i;
            if (keyOnly) break;
        } else if (c == ';' && i != parts.first) {
            parts.end = i;
            break;
        }
    }
    return parts;
}

// The raw key of an entry line: what stands before "=", without the blanks round it.
std::string_view rawKey(std::string_view line, const LineParts& parts) {
    std::size_t keyEnd = parts.equals;
    while (keyEnd > parts.first && isBlank(line[keyEnd - 1])) --keyEnd;
    return line.substr(parts.first, keyEnd - parts.first);
}

bool hasKeyEscapes(std::string_view raw) { return raw.find_first_of("%\\") != std::string_view::npos; }

std::uint32_t rawKeyHash(std::string_view raw) {
    return hasKeyEscapes(raw) ? keyHash(unescapedKey(raw)) : keyHash(raw);
}

bool rawKeyIs(std::string_view raw, std::string_view key) {
    return hasKeyEscapes(raw) ? unescapedKey(raw) == key : raw == key;
}

// A line without the UTF-8 byte order mark that may open the first line of a file.
std::string_view unmarked(std::string_view line, bool first) {
    return first && line.starts_with(kUtf8Mark) ? line.substr(kUtf8Mark.size()) : line;
}

// The group a "[...]" line names: "" for [General], "General" for [%General].
std::string groupName(std::string_view line, const LineParts& parts) {
    std::string_view inside = line.substr(parts.first + 1, parts.end - parts.first - 1);
    if (const std::size_t close = inside.find(']'); close != std::string_view::npos) {
        inside = inside.substr(0, close);
    }
    inside = trimmed(inside);
    if (equalsIgnoringCase(inside, "general")) return {};
    if (equalsIgnoringCase(inside, "%general")) return std::string(inside.substr(1));
    return unescapedKey(inside);
}

// Makes of a value beginning with "@" the text that QSettings makes of it.
void resolveAtForms(std::string& text) {
    if (!text.starts_with('@')) return;
    if (text.ends_with(')')) {
        for (const std::string_view typed : {"@String(", "@ByteArray("}) {
            if (text.starts_with(typed)) {
                text = text.substr(typed.size(), text.size() - typed.size() - 1);
                return;
            }
        }
        // Values of other types (rectangles, points, serialised variants) read as no text.
        for (const std::string_view other : {"@Invalid(", "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point("}) {
            if (text.starts_with(other)) {
                text.clear();
                return;
            }
        }
    }
    if (text.starts_with("@@")) text.erase(0, 1);
}

}  // namespace

IniValue iniDecodedValue(std::string_view raw) {
    IniValue value;
    std::string& out = value.text;
    bool inQuotes = false;
    bool quoted = false;
    std::size_t chopLimit = 0;
    std::size_t i = 0;
    while (i < raw.size() && isBlank(raw[i])) ++i;
    while (i < raw.size()) {
        const char c = raw[i];
        if (c == '\\') {
            if (++i == raw.size()) break;
            const char code = raw[i++];
            switch (code) {
                case 'a': out += '\a'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'v': out += '\v'; break;
                case '"': case '?': case '\'': case '\\': out += code; break;
                case 'x':
                    if (i < raw.size() && isHexDigit(raw[i])) {
                        char16_t unit = 0;
                        while (i < raw.size() && isHexDigit(raw[i])) {
                            unit = static_cast<char16_t>(unit * 16 + hexValue(raw[i++]));
                        }
                        appendUtf8(out, unit);
                    }
                    break;
                default:
                    if (isOctalDigit(code)) {
                        auto unit = static_cast<char16_t>(code - '0');
                        while (i < raw.size() && isOctalDigit(raw[i])) {
                            unit = static_cast<char16_t>(unit * 8 + (raw[i++] - '0'));
                        }
                        appendUtf8(out, unit);
                    }
                    break;  // any other escaped character is dropped, as QSettings does
            }
            chopLimit = out.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                while (i < raw.size() && isBlank(raw[i])) ++i;
            }
            chopLimit = out.size();
        } else {
            const std::size_t next = std::min(raw.find_first_of("\\\"", i), raw.size());
            out.append(raw.substr(i, next - i));
            i = next;
        }
    }
    if (!quoted) {
        while (out.size() > chopLimit && isBlank(out.back())) out.pop_back();
    }
    value.damaged = inQuotes;
    resolveAtForms(value.text);
    return value;
}

std::string iniEncodedValue(std::string_view value) {
    std::string text;
    if (value.find('\0') != std::string_view::npos) {
        text = "@String(" + std::string(value) + ")";
    } else if (value.starts_with('@')) {
        text = "@" + std::string(value);
    } else {
        text = std::string(value);
    }
    std::string out;
    out.reserve(text.size() + 2);
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ';' || c == ',' || c == '=') needsQuotes = true;
        if (escapeNextIfDigit && isHexDigit(c)) {
            // Written as an escape of its own, or the escape before would swallow it.
            out += "\\x";
            out += kHexLower[byte >> 4];
            out += kHexLower[byte & 0xF];
            continue;
        }
        escapeNextIfDigit = false;
        switch (c) {
            case '\0': out += "\\0"; escapeNextIfDigit = true; break;
            case '\a': out += "\\a"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\v': out += "\\v"; break;
            case '"': case '\\': out += '\\'; out += c; break;
            default:
                if (byte <= kLastControlCharacter) {
                    out += "\\x";
                    if (byte >= 0x10) out += kHexLower[byte >> 4];
                    out += kHexLower[byte & 0xF];
                    escapeNextIfDigit = true;
                } else {
                    out += c;
                }
        }
    }
    if (needsQuotes || (!out.empty() && (out.front() == ' ' || out.back() == ' '))) {
        out = '"' + out + '"';
    }
    return out;
}

IniDocument::IniDocument() { m_groups.emplace(std::string(), kRootGroup); }

IniDocument::IniDocument(std::string text) : m_text(std::move(text)) {
    m_groups.emplace(std::string(), kRootGroup);
    const std::string_view all(m_text);
    m_lines.reserve(static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n')) + 1);
    std::int32_t group = kRootGroup;
    bool lineEndFound = false;
    std::size_t begin = 0;
    while (begin < all.size()) {
        // A line ends at "\n", "\r\n" or a lone "\r".
        std::size_t end = std::min(all.find('\n', begin), all.size());
        std::size_t next = end == all.size() ? end : end + 1;
        if (const auto cr = static_cast<const char*>(std::memchr(all.data() + begin, '\r', end - begin))) {
            const auto at = static_cast<std::size_t>(cr - all.data());
            if (at + 1 != end || end == all.size()) next = at + 1;
            end = at;
        }
        if (!lineEndFound && next > end) {
            m_lineEnd = std::string(all.substr(end, next - end));
            lineEndFound = true;
        }

        const std::string_view body = unmarked(all.substr(begin, end - begin), begin == 0);
        const LineParts parts = lineParts(body, true);
        Line record{begin, Kind::Other, 0, group};
        if (parts.first < body.size()) {
            const char lead = body[parts.first];
            if (lead == '[') {
                const auto [found, added] =
                    m_groups.emplace(groupName(body, lineParts(body)), static_cast<std::int32_t>(m_groups.size()));
                group = found->second;
                record.group = group;
                record.kind = Kind::Group;
            } else if (lead != ';' && lead != '#' && parts.equals != kNone) {
                const std::string_view key = rawKey(body, parts);
                if (!key.empty()) {
                    record.kind = Kind::Entry;
                    record.keyHash = rawKeyHash(key);
                }
            }
        }
        m_lines.push_back(record);
        begin = next;
    }
}

std::string_view IniDocument::lineText(std::size_t line) const {
    const std::size_t begin = m_lines[line].begin;
    std::size_t end = line + 1 < m_lines.size() ? m_lines[line + 1].begin : m_text.size();
    if (end > begin && m_text[end - 1] == '\n') --end;
    if (end > begin && m_text[end - 1] == '\r') --end;
    return std::string_view(m_text).substr(begin, end - begin);
}

std::optional<std::int32_t> IniDocument::groupIndex(std::string_view group) const {
    const auto found = m_groups.find(std::string(group));
    if (found == m_groups.end()) return std::nullopt;
    return found->second;
}

std::optional<std::size_t> IniDocument::findEntry(std::int32_t group, std::string_view key) const {
    const std::uint32_t hash = keyHash(key);
    for (std::size_t line = m_lines.size(); line-- > 0;) {
        const Line& record = m_lines[line];
        if (record.kind != Kind::Entry || record.group != group || record.keyHash != hash) continue;
        const std::string_view body = unmarked(lineText(line), line == 0);
        if (rawKeyIs(rawKey(body, lineParts(body, true)), key)) return line;
    }
    return std::nullopt;
}

std::optional<IniValue> IniDocument::value(std::string_view group, std::string_view key) const {
    const std::optional<std::int32_t> index = groupIndex(group);
    const std::optional<std::size_t> line = index ? findEntry(*index, key) : std::nullopt;
    if (!line) return std::nullopt;
    const std::string_view body = lineText(*line);
    const LineParts parts = lineParts(body);
    return iniDecodedValue(body.substr(parts.equals + 1, parts.end - parts.equals - 1));
}

std::string IniDocument::textWith(std::string_view group, const Entries& entries) const {
    std::string added;
    const std::vector<std::string_view> pieces = piecesWith(group, entries, added);
    std::string out;
    out.reserve(m_text.size() + added.size());
    for (const std::string_view piece : pieces) out += piece;
    return out;
}

std::vector<std::string_view> IniDocument::piecesWith(std::string_view group, const Entries& entries,
                                                      std::string& added) const {
    // What changes: lines that get a new value, and new lines after one line of the group.
    std::map<std::size_t, std::string> replaced;  // line -> its new text, without its line end
    Entries newEntries;
    const std::optional<std::int32_t> index = groupIndex(group);
    for (const auto& entry : entries) {
        // Named, not bound: a lambda below takes the key, which clang 14 refuses for a binding.
        const std::string& key = entry.first;
        const std::string& value = entry.second;
        if (const std::optional<std::size_t> line = index ? findEntry(*index, key) : std::nullopt) {
            // Only the value changes: the key as written, the blanks round the value and a
            // trailing comment stay.
            const std::string_view body = lineText(*line);
            const LineParts parts = lineParts(body);
            std::size_t valueBegin = parts.equals + 1;
            while (valueBegin < parts.end && isBlank(body[valueBegin])) ++valueBegin;
            std::size_t valueEnd = parts.end;
            while (!parts.openQuote && valueEnd > valueBegin && isBlank(body[valueEnd - 1])) --valueEnd;
            replaced[*line] = std::string(body.substr(0, valueBegin)) + iniEncodedValue(value) +
                              std::string(body.substr(valueEnd));
            continue;
        }
        const auto same = std::find_if(newEntries.begin(), newEntries.end(),
                                       [&](const auto& entry) { return entry.first == key; });
        if (same != newEntries.end()) {
            same->second = value;
        } else {
            newEntries.emplace_back(key, value);
        }
    }
    std::string newLines;
    for (const auto& [key, value] : newEntries) {
        newLines += escapedKey(key) + "=" + iniEncodedValue(value) + m_lineEnd;
    }

    // New entries of an existing group go after the last entry of its last block, or after the
    // block's "[group]" line when it has no entry yet.
    std::optional<std::size_t> insertAfter;
    for (std::size_t line = m_lines.size(); index && !newLines.empty() && line-- > 0;) {
        if (m_lines[line].group == *index && m_lines[line].kind != Kind::Other) {
            insertAfter = line;
            break;
        }
    }
    std::vector<std::size_t> changed;
    for (const auto& change : replaced) changed.push_back(change.first);
    if (insertAfter && !replaced.contains(*insertAfter)) {
        changed.insert(std::upper_bound(changed.begin(), changed.end(), *insertAfter), *insertAfter);
    }

    // The pieces as offsets first: `added` may move while it grows.
    struct Piece {
        bool isNew;
        std::size_t offset;
        std::size_t length;
    };
    std::vector<Piece> plan;
    added.clear();
    const auto keep = [&](std::size_t from, std::size_t to) {
        if (to > from) plan.push_back({false, from, to - from});
    };
    const auto put = [&](std::string_view text) {
        plan.push_back({true, added.size(), text.size()});
        added += text;
    };
    std::size_t copied = 0;  // m_text before this offset is planned
    for (const std::size_t line : changed) {
        const std::size_t begin = m_lines[line].begin;
        const std::size_t next = line + 1 < m_lines.size() ? m_lines[line + 1].begin : m_text.size();
        const std::size_t end = begin + lineText(line).size();
        keep(copied, begin);
        if (const auto change = replaced.find(line); change != replaced.end()) {
            put(change->second);
        } else {
            keep(begin, end);
        }
        keep(end, next);
        if (line == insertAfter) {
            if (end == next) put(m_lineEnd);  // the text's last line had none
            put(newLines);
        }
        copied = next;
    }
    keep(copied, m_text.size());

    if (!newLines.empty() && !insertAfter) {
        if (!m_text.empty() && m_text.back() != '\n' && m_text.back() != '\r') put(m_lineEnd);
        if (!m_lines.empty() && !trimmed(lineText(m_lines.size() - 1)).empty()) {
            put(m_lineEnd);  // a blank line between groups, as QSettings writes them
        }
        const std::string name = escapedKey(group);
        if (name.empty()) {
            put("[General]");
        } else {
            put((equalsIgnoringCase(name, "general") ? "[%" : "[") + name + "]");
        }
        put(m_lineEnd);
        put(newLines);
    }

    std::vector<std::string_view> pieces;
    pieces.reserve(plan.size());
    for (const Piece& piece : plan) {
        pieces.push_back(std::string_view(piece.isNew ? added : m_text).substr(piece.offset, piece.length));
    }
    return pieces;
}

void IniDocument::setValues(std::string_view group, const Entries& entries) {
    *this = IniDocument(textWith(group, entries));
}

}  // namespace pelora
