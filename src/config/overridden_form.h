#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/config_form.h"

namespace pelora {

// A form whose controls may hold values given for one run only (the command line's), which the
// configuration store must neither see as the operator's changes nor save. While such a control
// still holds the value it was given, reading its stored property gives the value it held
// before (the stored one); once the operator changes it, the control reads as it is.
// Everything else passes through to the wrapped form.
class OverriddenForm : public ConfigForm {
public:
    // `inner` must outlive this form.
    explicit OverriddenForm(ConfigForm& inner);

    // Records that control `name`'s stored property went from `before` to `given` for this
    // run only. A later record for the same name keeps the first `before`.
    void recordOverride(const std::string& name, std::string before, std::string given);

    std::string name() const override;
    std::vector<std::unique_ptr<ConfigControl>> controls() override;

private:
    struct Override {
        std::string before;
        std::string given;
    };

    ConfigForm& m_inner;
    std::map<std::string, Override> m_overrides;
};

}  // namespace pelora
