#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/value_set.h"

namespace pelora {

// One control of a form as the configuration store sees it: a name and properties read and
// assigned as text ("text", "Value", "BackColor", "Caption", "ListIndex", "ListCount").
class ConfigControl {
public:
    virtual ~ConfigControl() = default;

    // The control's name; several controls of a control array share one name.
    virtual std::string name() const = 0;

    // The property as text; nothing when the control has no such property.
    virtual std::optional<std::string> readProperty(std::string_view property) const = 0;

    // Assigns the property from text. Returns false when the control rejects the value or has
    // no such property. An assignment that changes the value runs the control's own change
    // reaction, as the operator's change would; one that leaves the value as it was runs none.
    virtual bool writeProperty(std::string_view property, std::string_view value) = 0;

    // Entry `index` of a list control's "List"; nothing when the control has no list or the
    // index is outside 0 .. ListCount-1.
    virtual std::optional<std::string> listEntry(int /*index*/) const { return std::nullopt; }

    // Bracket the several assignments that make up one restored value (the steps of a list).
    // Between them a control may hold back its change reaction and, at the end, run it once
    // when the value then differs from the value before beginAssignment. When `accepted` is
    // false the value was rejected: the control goes back to its value before
    // beginAssignment and runs no reaction. Always paired.
    virtual void beginAssignment() {}
    virtual void endAssignment(bool /*accepted*/) {}
};

// A form that can be attached to the configuration store: a name (the settings section), its
// controls in a stable order, and the three value sets the store keeps on it.
class ConfigForm {
public:
    virtual ~ConfigForm() = default;

    // The form's name, used as the section of its settings entries.
    virtual std::string name() const = 0;

    // Every control of the form (menus included), in the form's control order, which is the
    // same in every run. The returned objects stay valid while the form lives.
    virtual std::vector<std::unique_ptr<ConfigControl>> controls() = 0;

    // The control values at attachment, before anything was restored; absent until then.
    std::optional<ValueSet> defaultvalues;
    // The names of the recognised controls with the values read from the store.
    std::optional<ValueSet> loadedvalues;
    // The control values at the latest close request.
    std::optional<ValueSet> currentvalues;
};

}  // namespace pelora
