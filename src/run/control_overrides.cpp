#include "run/control_overrides.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "config/autoconfig.h"
#include "nmea/position_entry.h"
#include "nmea/sentence.h"
#include "text/number_text.h"
#include "text/text.h"

namespace pelora {

namespace {

constexpr char kTicked[] = "1";
constexpr char kClear[] = "0";
constexpr char kGreyed[] = "2";

// The form's controls by name (the first of a name).
class ControlsByName {
public:
    explicit ControlsByName(ConfigForm& form) : m_controls(form.controls()) {
        for (const std::unique_ptr<ConfigControl>& control : m_controls) {
            m_byName.emplace(control->name(), control.get());
        }
    }
    ConfigControl* find(const std::string& name) const {
        const auto found = m_byName.find(name);
        return found == m_byName.end() ? nullptr : found->second;
    }
    std::string read(const std::string& name, std::string_view property) const {
        const ConfigControl* control = find(name);
        return control == nullptr ? std::string() : control->readProperty(property).value_or("");
    }

private:
    std::vector<std::unique_ptr<ConfigControl>> m_controls;
    std::map<std::string, ConfigControl*> m_byName;
};

}  // namespace

void applyControlOverrides(ConfigForm& form, const ControlOverrides& overrides, RunCycle& cycle,
                           const OverrideHooks& hooks) {
    const ControlsByName controls(form);
    // The stored property is read before and after, as the store reads it, so that the store
    // neither counts the value as the operator's change nor saves it.
    const auto give = [&](const std::string& name, std::string_view property, const std::string& value) {
        ConfigControl* control = controls.find(name);
        if (control == nullptr) return;
        const std::string_view stored = storedProperty(name).value_or("");
        const std::string before = control->readProperty(stored).value_or("");
        control->writeProperty(property, value);
        if (hooks.record) hooks.record(name, before, control->readProperty(stored).value_or(""));
    };
    const auto giveText = [&](const std::string& name, const std::optional<std::string>& text) {
        if (text) give(name, "text", *text);
    };

    if (overrides.sentence) {
        const std::vector<std::string> names = singleSentenceNames();
        const auto found = std::find(names.begin(), names.end(), *overrides.sentence);
        if (found != names.end()) give("cmb_NMEA", "ListIndex", std::to_string(found - names.begin()));
    }
    if (overrides.checksum) give("chk_sum", "Value", kTicked);
    if (overrides.noLeadingZeros) give("chk_NLZ", "Value", kClear);
    giveText("txt_DPS", overrides.decimalPlaces);
    giveText("txt_lat", overrides.latitude);
    giveText("txt_lon", overrides.longitude);
    giveText("txt_SPEED", overrides.speed);
    if (overrides.course) {
        // The course box becomes active first, so that its change handler takes the course.
        if (hooks.autopilot) hooks.autopilot();
        giveText("txt_DIR", overrides.course);
        cycle.setAutopilotCourse(number_from_text(*overrides.course));
    }
    if (overrides.rate) {
        if (hooks.steering) hooks.steering();
        giveText("txt_ROT", overrides.rate);
        cycle.setDemandedRate(number_from_text(*overrides.rate));
    }
    if (overrides.responseSeconds) {
        give("chk_Ship_Response", "Value", kTicked);
        giveText("txt_SHIP_Response", overrides.responseSeconds);
    }
    if (overrides.seaMetres) {
        give("chk_Heavy_Sea", "Value", kTicked);
        giveText("txt_Heavy_Sea", overrides.seaMetres);
    }
    if (overrides.noiseMetres) {
        give("chk_GPS_Noise", "Value", kTicked);
        giveText("txt_GPS_NOISE", overrides.noiseMetres);
    }
    if (overrides.seaOff) give("chk_Heavy_Sea", "Value", kClear);
    if (overrides.noiseOff) give("chk_GPS_Noise", "Value", kClear);
    if (overrides.port) {
        const std::string index = std::to_string(*overrides.port - 1);
        const bool shown = controls.read("cmb_PORT", "ListIndex") == index;
        give("cmb_PORT", "ListIndex", index);
        if (shown && hooks.portShownAlready) hooks.portShownAlready();
    }
}

RunControls readRunControls(ConfigForm& form, SteeringMode steering) {
    const ControlsByName controls(form);
    const auto text = [&controls](const char* name) { return controls.read(name, "text"); };
    const auto ticked = [&controls](const char* name) { return controls.read(name, "Value") == kTicked; };

    RunControls run;
    run.speedKnots = number_from_text(text("txt_SPEED"));
    run.courseDegrees = number_from_text(text("txt_DIR"));
    run.responseOn = ticked("chk_Ship_Response");
    run.responseSeconds = number_from_text(text("txt_SHIP_Response"));
    run.seaOn = ticked("chk_Heavy_Sea");
    run.seaMetres = number_from_text(text("txt_Heavy_Sea"));
    run.noiseOn = ticked("chk_GPS_Noise");
    run.noiseMetres = number_from_text(text("txt_GPS_NOISE"));
    run.decimalPlaces = decimalPlacesFromText(text("txt_DPS"));
    run.leadingZeros = ticked("chk_NLZ");
    const std::string checksum = controls.read("chk_sum", "Value");
    run.checksum = checksum == kTicked ? ChecksumChoice::Ticked
                   : checksum == kGreyed ? ChecksumChoice::Greyed
                                         : ChecksumChoice::Clear;
    run.sentence = singleSentenceType(static_cast<int>(wholeNumber(controls.read("cmb_NMEA", "ListIndex")).value_or(-1)));
    run.steering = steering;
    run.startLatitude = User_lat(text("txt_lat"));
    run.startLongitude = user_lon(text("txt_lon"));
    return run;
}

}  // namespace pelora
