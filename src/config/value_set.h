#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pelora {

// Two rows of text with one column per recognised control, in the form's control order:
// row 0 holds the control names, row 1 their values. Column indexes count from 0.
struct ValueSet {
    std::vector<std::string> names;   // row 0
    std::vector<std::string> values;  // row 1

    std::size_t columns() const { return names.size(); }

    // Adds one column at the end.
    void append(std::string name, std::string value) {
        names.push_back(std::move(name));
        values.push_back(std::move(value));
    }

    friend bool operator==(const ValueSet&, const ValueSet&) = default;
};

}  // namespace pelora
