#include "run/stored_controls.h"

#include "run/port_manager.h"
#include "text/number_text.h"

namespace pelora {

namespace {

constexpr int kTicked = 1;

}  // namespace

StoredControls::StoredControls() : ValueForm("FRM_NMEA") {
    addCheck("chk_NLZ", kTicked);
    addCheck("chk_sum", 0);
    addList("cmb_NMEA", {"GLL", "GGA", "RMC"}, 0);
    addList("cmb_PORT", PortManager::portEntries(), -1);
    addText("txt_DPS", "4");
    addText("txt_lat", "54N00.0000");
    addText("txt_lon", "0001E00.0000");
    addText("txt_DIR", "000");
    addText("txt_ROT", "000");
    addText("txt_SPEED", "6");
    addCheck("chk_GPS_Noise", 0);
    addText("txt_GPS_NOISE", "2");
    addCheck("chk_Heavy_Sea", 0);
    addText("txt_Heavy_Sea", "0.1");
    addCheck("chk_Ship_Response", 0);
    addText("txt_SHIP_Response", "5");
}

void StoredControls::apply(const ControlOverrides& overrides) {
    if (overrides.sentenceType) setListIndex("cmb_NMEA", *overrides.sentenceType);
    if (overrides.checksum) setCheck("chk_sum", kTicked);
    if (overrides.noLeadingZeros) setCheck("chk_NLZ", 0);
    if (overrides.decimalPlaces) setText("txt_DPS", *overrides.decimalPlaces);
    if (overrides.latitude) setText("txt_lat", *overrides.latitude);
    if (overrides.longitude) setText("txt_lon", *overrides.longitude);
    if (overrides.speed) setText("txt_SPEED", *overrides.speed);
    if (overrides.course) {
        setText("txt_DIR", *overrides.course);
        m_autopilot = true;
        m_steering = false;
    }
    if (overrides.rate) {
        setText("txt_ROT", *overrides.rate);
        m_steering = true;
        m_autopilot = false;
    }
    if (overrides.responseSeconds) {
        setCheck("chk_Ship_Response", kTicked);
        setText("txt_SHIP_Response", *overrides.responseSeconds);
    }
    if (overrides.seaMetres) {
        setCheck("chk_Heavy_Sea", kTicked);
        setText("txt_Heavy_Sea", *overrides.seaMetres);
    }
    if (overrides.noiseMetres) {
        setCheck("chk_GPS_Noise", kTicked);
        setText("txt_GPS_NOISE", *overrides.noiseMetres);
    }
    if (overrides.port) setListIndex("cmb_PORT", *overrides.port - 1);
}

RunControls StoredControls::runControls() const {
    RunControls controls;
    controls.speed = text("txt_SPEED");
    controls.course = text("txt_DIR");
    controls.responseOn = check("chk_Ship_Response") == kTicked;
    controls.responseSeconds = text("txt_SHIP_Response");
    controls.seaOn = check("chk_Heavy_Sea") == kTicked;
    controls.seaMetres = text("txt_Heavy_Sea");
    controls.noiseOn = check("chk_GPS_Noise") == kTicked;
    controls.noiseMetres = text("txt_GPS_NOISE");
    controls.decimalPlaces = text("txt_DPS");
    controls.leadingZeros = check("chk_NLZ") == kTicked;
    controls.checksumBox = check("chk_sum");
    controls.sentenceType = listIndex("cmb_NMEA");
    controls.autopilot = m_autopilot;
    return controls;
}

double StoredControls::demandedRate() const { return number_from_text(text("txt_ROT")); }

int StoredControls::selectedPort() const { return listIndex("cmb_PORT") + 1; }

}  // namespace pelora
