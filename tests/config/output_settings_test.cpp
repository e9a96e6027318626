#include "config/output_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/memory_settings_store.h"

namespace pelora {
namespace {

// One stored [Output] value as people and Qt write it, and what the program makes of it.
struct StoredRow {
    const char* name;
    const char* key;
    const char* value;
    bool tcp;                 // the TCP server on
    int tcpPort;              // the TCP port read
    int udpPort;              // the UDP port read
    const char* unusable;     // the value named as unusable, or ""
};

void PrintTo(const StoredRow& row, std::ostream* out) { *out << row.name; }

class StoredOutputValues : public ::testing::TestWithParam<StoredRow> {};

TEST_P(StoredOutputValues, AreReadOrNamedAsUnusableWithTheirDefaultStanding) {
    const StoredRow& row = GetParam();
    MemorySettingsStore store;
    ASSERT_FALSE(store.SaveSetting("pelora", kOutputSection, row.key, row.value));
    std::vector<std::string> unusable;
    const OutputSettings read = loadOutputSettings(store, "pelora", &unusable);
    EXPECT_EQ(read.tcp, row.tcp);
    EXPECT_EQ(read.tcpPort, row.tcpPort);
    EXPECT_EQ(read.udpPort, row.udpPort);
    if (*row.unusable == '\0') {
        EXPECT_TRUE(unusable.empty()) << unusable.front();
    } else {
        EXPECT_EQ(unusable, std::vector<std::string>{row.unusable});
    }
}

INSTANTIATE_TEST_SUITE_P(
    , StoredOutputValues,
    ::testing::Values(StoredRow{"One", "Tcp", "1", true, 10110, 10110, ""},
                      StoredRow{"TrueAsQtWritesIt", "Tcp", "true", true, 10110, 10110, ""},
                      StoredRow{"TrueInCapitals", "Tcp", " TRUE ", true, 10110, 10110, ""},
                      StoredRow{"False", "Tcp", "false", false, 10110, 10110, ""},
                      StoredRow{"AWordThatIsNeither", "Tcp", "yes", false, 10110, 10110, "Output/Tcp=yes"},
                      StoredRow{"LowestPort", "TcpPort", "1", false, 1, 10110, ""},
                      StoredRow{"HighestPort", "TcpPort", "65535", false, 65535, 10110, ""},
                      StoredRow{"PortZero", "TcpPort", "0", false, 10110, 10110, "Output/TcpPort=0"},
                      StoredRow{"PortTooHigh", "TcpPort", "99999", false, 10110, 10110, "Output/TcpPort=99999"},
                      StoredRow{"PortAsText", "TcpPort", "ten", false, 10110, 10110, "Output/TcpPort=ten"},
                      StoredRow{"PortBeyondThirtyTwoBits", "UdpPort", "4294967297", false, 10110, 10110,
                                "Output/UdpPort=4294967297"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
