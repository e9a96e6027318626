#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/config_form.h"

namespace pelora {

// A form whose controls are plain values, for running without a window. Each control checks
// what it is given as its widget would: a text box takes any text, a check box only 0, 1 or 2,
// a fixed list only one of its entries or the empty text (no entry selected).
class ValueForm : public ConfigForm {
public:
    explicit ValueForm(std::string name);

    // Adds a control at the end of the form's control order.
    void addText(const std::string& name, std::string text);
    void addCheck(const std::string& name, int value);
    void addList(const std::string& name, std::vector<std::string> entries, int selected);

    // The control's value: a text box's text, a check box's state, a list's selected index
    // (-1: none). Requires a control of that name and kind.
    const std::string& text(const std::string& name) const;
    int check(const std::string& name) const;
    int listIndex(const std::string& name) const;

    void setText(const std::string& name, std::string text);
    void setCheck(const std::string& name, int value);
    void setListIndex(const std::string& name, int index);

    std::string name() const override;
    std::vector<std::unique_ptr<ConfigControl>> controls() override;

    // One control's value held in the form.
    struct Value {
        enum class Kind { Text, Check, List };
        Kind kind = Kind::Text;
        std::string text;                  // text box
        int number = 0;                    // check box state, or list index
        std::vector<std::string> entries;  // list entries
    };

private:
    Value& at(const std::string& name);
    const Value& at(const std::string& name) const;

    std::string m_name;
    std::vector<std::string> m_order;
    std::map<std::string, Value> m_values;
};

}  // namespace pelora
