#include "config/overridden_form.h"

#include <utility>

#include "config/autoconfig.h"

namespace pelora {

namespace {

// A control that reads its stored property as it was before a one-run value was given, while
// that value is still in place.
class OverriddenControl final : public ConfigControl {
public:
    OverriddenControl(std::unique_ptr<ConfigControl> inner, std::string before, std::string given)
        : m_inner(std::move(inner)), m_before(std::move(before)), m_given(std::move(given)) {}

    std::string name() const override { return m_inner->name(); }

    std::optional<std::string> readProperty(std::string_view property) const override {
        std::optional<std::string> value = m_inner->readProperty(property);
        if (storedProperty(m_inner->name()) == property && value == m_given) {
            return m_before;
        }
        return value;
    }

    bool writeProperty(std::string_view property, std::string_view value) override {
        return m_inner->writeProperty(property, value);
    }
    std::optional<std::string> listEntry(int index) const override { return m_inner->listEntry(index); }
    void beginAssignment() override { m_inner->beginAssignment(); }
    void endAssignment(bool accepted) override { m_inner->endAssignment(accepted); }

private:
    std::unique_ptr<ConfigControl> m_inner;
    std::string m_before;
    std::string m_given;
};

}  // namespace

OverriddenForm::OverriddenForm(ConfigForm& inner) : m_inner(inner) {}

void OverriddenForm::recordOverride(const std::string& name, std::string before, std::string given) {
    const auto found = m_overrides.find(name);
    if (found != m_overrides.end()) {
        found->second.given = std::move(given);
        return;
    }
    m_overrides.emplace(name, Override{std::move(before), std::move(given)});
}

std::string OverriddenForm::name() const { return m_inner.name(); }

std::vector<std::unique_ptr<ConfigControl>> OverriddenForm::controls() {
    std::vector<std::unique_ptr<ConfigControl>> controls = m_inner.controls();
    for (std::unique_ptr<ConfigControl>& control : controls) {
        const auto found = m_overrides.find(control->name());
        if (found != m_overrides.end()) {
            control = std::make_unique<OverriddenControl>(std::move(control), found->second.before,
                                                          found->second.given);
        }
    }
    return controls;
}

}  // namespace pelora
