#pragma once

// Forms and controls held in memory for the configuration store's tests. Each control behaves
// like its widget counterpart: a check box takes only 0, 1 or 2, a fixed list only one of its
// entries, and a change reaction is counted only when a value really changes.

#include <charconv>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/config_form.h"

namespace pelora::test {

enum class Kind { Text, Check, FixedList, EditableList, Label, Button };

struct FakeControlState {
    std::string name;
    Kind kind = Kind::Text;
    std::string value;                 // text, caption or check state
    std::vector<std::string> entries;  // list entries
    int listIndex = -1;
    int reactions = 0;                 // change reactions run
    std::vector<std::string> log;      // every call that assigns, in order
    int bracketDepth = 0;
    std::string valueAtBegin;
    int indexAtBegin = -1;

    std::string shown() const {
        if (kind == Kind::FixedList) {
            return listIndex < 0 ? "" : entries[static_cast<std::size_t>(listIndex)];
        }
        return value;
    }
    void changed(const std::string& before, int indexBefore) {
        if (bracketDepth == 0 && (shown() != before || listIndex != indexBefore)) {
            ++reactions;
        }
    }
};

class FakeControl : public ConfigControl {
public:
    explicit FakeControl(std::shared_ptr<FakeControlState> state) : m_s(std::move(state)) {}

    std::string name() const override { return m_s->name; }

    std::optional<std::string> readProperty(std::string_view property) const override {
        switch (m_s->kind) {
            case Kind::Text:
                if (property == "text") return m_s->value;
                break;
            case Kind::Check:
                if (property == "Value") return m_s->value;
                break;
            case Kind::FixedList:
            case Kind::EditableList:
                if (property == "text") return m_s->shown();
                if (property == "ListIndex") return std::to_string(m_s->listIndex);
                if (property == "ListCount") return std::to_string(m_s->entries.size());
                break;
            case Kind::Label:
                if (property == "Caption") return m_s->value;
                break;
            case Kind::Button:
                break;
        }
        return std::nullopt;
    }

    bool writeProperty(std::string_view property, std::string_view text) override {
        m_s->log.push_back(std::string(property) + "=" + std::string(text));
        const std::string before = m_s->shown();
        const int indexBefore = m_s->listIndex;
        const std::string value(text);
        switch (m_s->kind) {
            case Kind::Text:
                if (property != "text") return false;
                m_s->value = value;
                break;
            case Kind::Check:
                if (property != "Value" || (value != "0" && value != "1" && value != "2")) {
                    return false;
                }
                m_s->value = value;
                break;
            case Kind::Label:
                if (property != "Caption") return false;
                m_s->value = value;
                break;
            case Kind::FixedList:
            case Kind::EditableList:
                if (property == "ListIndex") {
                    int index = 0;
                    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), index);
                    if (ec != std::errc{} || end != value.data() + value.size() || index < -1 ||
                        index >= static_cast<int>(m_s->entries.size())) {
                        return false;
                    }
                    m_s->listIndex = index;
                    if (index >= 0) m_s->value = m_s->entries[static_cast<std::size_t>(index)];
                } else if (property == "text") {
                    if (m_s->kind == Kind::EditableList) {
                        m_s->value = value;
                    } else {
                        int found = -1;
                        for (std::size_t i = 0; i < m_s->entries.size() && found < 0; ++i) {
                            if (m_s->entries[i] == value) found = static_cast<int>(i);
                        }
                        if (found < 0) return false;
                        m_s->listIndex = found;
                    }
                } else {
                    return false;
                }
                break;
            case Kind::Button:
                return false;
        }
        m_s->changed(before, indexBefore);
        return true;
    }

    std::optional<std::string> listEntry(int index) const override {
        if (index < 0 || index >= static_cast<int>(m_s->entries.size())) return std::nullopt;
        return m_s->entries[static_cast<std::size_t>(index)];
    }

    void beginAssignment() override {
        m_s->log.push_back("begin");
        if (m_s->bracketDepth++ == 0) {
            m_s->valueAtBegin = m_s->shown();
            m_s->indexAtBegin = m_s->listIndex;
        }
    }
    void endAssignment(bool accepted) override {
        m_s->log.push_back(accepted ? "end" : "end rejected");
        if (--m_s->bracketDepth != 0) return;
        if (!accepted) {
            m_s->value = m_s->valueAtBegin;
            m_s->listIndex = m_s->indexAtBegin;
        }
        m_s->changed(m_s->valueAtBegin, m_s->indexAtBegin);
    }

private:
    std::shared_ptr<FakeControlState> m_s;
};

class FakeForm : public ConfigForm {
public:
    explicit FakeForm(std::string name) : m_name(std::move(name)) {}

    std::string name() const override { return m_name; }

    std::vector<std::unique_ptr<ConfigControl>> controls() override {
        std::vector<std::unique_ptr<ConfigControl>> result;
        for (const auto& state : m_controls) result.push_back(std::make_unique<FakeControl>(state));
        return result;
    }

    FakeControlState& add(std::string name, Kind kind, std::string value,
                          std::vector<std::string> entries = {}, int listIndex = -1) {
        auto state = std::make_shared<FakeControlState>();
        state->name = std::move(name);
        state->kind = kind;
        state->value = std::move(value);
        state->entries = std::move(entries);
        state->listIndex = listIndex;
        m_controls.push_back(state);
        return *state;
    }

    // The first control of that name.
    FakeControlState& operator[](const std::string& name) {
        for (auto& state : m_controls) {
            if (state->name == name) return *state;
        }
        throw std::out_of_range(name);
    }

    std::string shown(const std::string& name) { return (*this)[name].shown(); }

private:
    std::string m_name;
    std::vector<std::shared_ptr<FakeControlState>> m_controls;
};

}  // namespace pelora::test
