#include "run/stored_controls.h"

#include "nmea/sentence_table.h"
#include "run/port_manager.h"

namespace pelora {

namespace {

constexpr int kTickedBox = 1;

}  // namespace

StoredControls::StoredControls() : ValueForm("FRM_NMEA") {
    addCheck("chk_NLZ", kTickedBox);
    addCheck("chk_sum", 0);
    addList("cmb_NMEA", singleSentenceNames(), 0);
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

int StoredControls::selectedPort() const { return listIndex("cmb_PORT") + 1; }

}  // namespace pelora
