#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pelora {

// A value read from an INI line, with its quotes and escapes resolved.
struct IniValue {
    std::string text;
    // The value opens a quote that its line never closes: `text` is what the line holds up to
    // its end, a guess that should not be trusted where a wrong value does harm.
    bool damaged = false;

    friend bool operator==(const IniValue&, const IniValue&) = default;
};

// The text of an INI settings file, read leniently line by line and written back with every line
// the program does not change kept byte for byte.
//
// Reading follows the rules of the files Qt's QSettings writes and reads, so that files written
// by either read the same: "[group]" lines open a group ("[General]" is the group without a
// name, "[%General]" the group named "General"); "key=value" lines hold entries; a line whose
// first visible character is ";" or "#" is a comment, and an unquoted ";" later in a line starts
// a comment too; keys and group names may carry "%XX", "%UXXXX" and "\" (for "/") escapes;
// values may be quoted with '"' and carry backslash escapes (\" \\ \n \t \x41 \101 ...); "@@"
// at the start of a value stands for "@". Unlike QSettings, a comma is an ordinary character
// of the value (an unquoted value with commas is one value, kept with its blanks), and every
// line stands alone: a quote left open ends with its line and a backslash at the end of a line
// does not join the next one. A line that is none of the above (garbage, a "[" without "]" is
// still taken as a group) is kept and otherwise passed over; it never spoils another line.
class IniDocument {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // An empty document.
    IniDocument();
    // Reads `text`; any text is accepted.
    explicit IniDocument(std::string text);

    // The value of `key` in `group` ("" is the group before any "[group]" line and [General]);
    // the last one when the key is written more than once; nothing when there is none. Group
    // and key are compared exactly, case included, after their escapes are resolved.
    std::optional<IniValue> value(std::string_view group, std::string_view key) const;

    // The document's text with every entry of `entries` set in `group`, this document left as
    // it is: an existing entry gets the new value in place of the old one (the rest of its
    // line, a trailing comment included, stays); a new one goes after the last entry of the
    // group's last "[group]" block; a group that does not exist is added at the end. Values
    // are written as QSettings writes a text, so that it and older versions of the program read
    // them the same. Every other byte of the text stays as it was.
    std::string textWith(std::string_view group, const Entries& entries) const;

    // The text textWith gives, in pieces to be written one after the other, so that a large
    // text need not be copied: views of this document's text and of `added`, which receives
    // what is new. The views stay valid while this document and `added` are left unchanged.
    std::vector<std::string_view> piecesWith(std::string_view group, const Entries& entries,
                                             std::string& added) const;

    // Sets the entries as textWith does and keeps the result.
    void setValues(std::string_view group, const Entries& entries);

    // The text as read, or as left by setValues.
    const std::string& text() const { return m_text; }

private:
    enum class Kind : std::uint8_t { Other, Group, Entry };
    static constexpr unsigned kKindBits = 2;

    // Sixteen bytes a line, as a large file has millions of them.
    struct Line {
        std::uint64_t begin : 64 - kKindBits;  // offset of the line's first byte in m_text
        Kind kind : kKindBits;
        std::uint32_t keyHash;     // Entry: hash of the key with its escapes resolved
        std::int32_t group;        // the group the line opens or belongs to
    };

    // The line as written, without its line end.
    std::string_view lineText(std::size_t line) const;
    // The index of the group named `group`; nothing when no line names it.
    std::optional<std::int32_t> groupIndex(std::string_view group) const;
    // The last entry line of `group` with key `key`; nothing when there is none.
    std::optional<std::size_t> findEntry(std::int32_t group, std::string_view key) const;

    std::string m_text;
    std::vector<Line> m_lines;
    std::unordered_map<std::string, std::int32_t> m_groups;  // group name -> index; "" is 0
    std::string m_lineEnd = "\n";  // the line end the text uses, for lines that are added
};

// The value text as QSettings writes a text value: backslash escapes for '"', '\' and control
// characters, quotes round it when it holds ';', ',' or '=' or starts or ends with a blank, and
// "@" at its start doubled.
std::string iniEncodedValue(std::string_view value);

// The value as QSettings reads a text value from `raw` (what follows "=" up to the end of the
// line or an unquoted ";"), except that commas stay part of the value and an unclosed quote ends
// with `raw` and marks the value damaged.
IniValue iniDecodedValue(std::string_view raw);

}  // namespace pelora
