// Whatever the settings file holds for the window's controls, restoring it never fails in a
// way that leaves a control outside what it can show: a check box keeps 0, 1 or 2 and a fixed
// list keeps one of its entries or none. Closing with the answer No ends and writes nothing.
#include <cstdlib>

#include "config/autoconfig.h"
#include "config/fake_form.h"
#include "config/memory_settings_store.h"
#include "fuzz_input.h"
#include "support/core_fakes.h"

namespace {

using pelora::test::Kind;

std::string nextValue(std::string& rest) {
    const std::size_t end = rest.find('\n');
    std::string value = rest.substr(0, end);
    rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const bool storeFails = input.takeBool();
    const int failAt = input.takeInt() & 0xF;
    std::string rest = input.rest();

    pelora::test::FakeForm form("FRM_NMEA");
    form.add("txt_lat", Kind::Text, "54N00.0000");
    form.add("chk_NLZ", Kind::Check, "1");
    form.add("txt_SPEED", Kind::Text, "6");
    form.add("cmb_NMEA", Kind::FixedList, "", {"GLL", "GGA", "RMC"}, 0);
    form.add("chk_sum", Kind::Check, "0");
    form.add("cmb_PORT", Kind::FixedList, "", {"COM 1", "COM 2", "COM 2"}, -1);
    form.add("LAB_NMEA", Kind::Label, "Port:  1: OK");
    form.add("lab_note", Kind::Label, "");

    pelora::MemorySettingsStore store;
    for (const char* key : {"txt_lat", "chk_NLZ", "txt_SPEED", "cmb_NMEA", "chk_sum", "cmb_PORT", "lab_note"}) {
        if (!rest.empty()) store.setEntry("pelora", "FRM_NMEA", key, nextValue(rest));
    }
    if (storeFails) store.failReadsFrom(failAt, pelora::Failure{{}, "fuzzed failure", 5});

    pelora::testing::FakeConfigDialogs dialogs;
    bool ended = false;
    pelora::AutoConfig config(store, dialogs, "pelora", "Pelora", [&ended] { ended = true; });
    config.attach_form(form, true);

    for (const char* name : {"chk_NLZ", "chk_sum"}) {
        const std::string value = form.shown(name);
        if (value != "0" && value != "1" && value != "2") std::abort();
    }
    for (const char* name : {"cmb_NMEA", "cmb_PORT"}) {
        const pelora::test::FakeControlState& list = form[name];
        if (list.listIndex < -1 || list.listIndex >= static_cast<int>(list.entries.size())) std::abort();
    }
    // Answer No: the program ends without writing anything.
    dialogs.answers = {pelora::DialogAnswer::No};
    const int writesBefore = store.writeCount();
    config.query_close(form);
    if (!ended || store.writeCount() != writesBefore) std::abort();
    return 0;
}
