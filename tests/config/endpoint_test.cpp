// The endpoint reader: every form a user types, what it refuses and why, and the text written
// back reading as what was read.

#include "config/endpoint.h"

#include <gtest/gtest.h>

namespace pelora {
namespace {

struct EndpointRow {
    const char* name;
    const char* typed;
    Endpoint read;        // when taken
    const char* written;  // text() of what was read, when taken
    const char* refusal;  // the whole message; "" when taken
};

void PrintTo(const EndpointRow& row, std::ostream* out) { *out << row.name; }

class EndpointTable : public ::testing::TestWithParam<EndpointRow> {};

TEST_P(EndpointTable, ReadsTheFormOrRefusesWithTheReason) {
    const EndpointRow& row = GetParam();
    const Result<Endpoint> parsed = parseEndpoint(row.typed);
    if (*row.refusal != '\0') {
        ASSERT_FALSE(parsed.ok()) << parsed->text();
        EXPECT_EQ(parsed.failure().message(), row.refusal);
        return;
    }
    ASSERT_TRUE(parsed.ok()) << parsed.failure().message();
    EXPECT_EQ(*parsed, row.read);
    EXPECT_EQ(parsed->text(), row.written);
    const Result<Endpoint> again = parseEndpoint(parsed->text());
    ASSERT_TRUE(again.ok()) << again.failure().message();
    EXPECT_EQ(*again, row.read) << "the text written back reads as something else";
}

using Options = std::vector<std::pair<std::string, std::string>>;

INSTANTIATE_TEST_SUITE_P(
    Forms, EndpointTable,
    ::testing::Values(
        EndpointRow{"Serial", "serial:/dev/ttyUSB0?baud=4800", {"serial", "", 0, "/dev/ttyUSB0", Options{{"baud", "4800"}}},
                    "serial:/dev/ttyUSB0?baud=4800", ""},
        EndpointRow{"TcpServer", "tcp://127.0.0.1:10110", {"tcp", "127.0.0.1", 10110, "", {}}, "tcp://127.0.0.1:10110", ""},
        EndpointRow{"TcpClientByHostName", "tcp-client://plotter.local:2000", {"tcp-client", "plotter.local", 2000, "", {}},
                    "tcp-client://plotter.local:2000", ""},
        EndpointRow{"UdpHighestPort", "udp://192.168.1.255:65535", {"udp", "192.168.1.255", 65535, "", {}},
                    "udp://192.168.1.255:65535", ""},
        EndpointRow{"Ipv6InBrackets", "tcp://[::1]:10110", {"tcp", "::1", 10110, "", {}}, "tcp://[::1]:10110", ""},
        EndpointRow{"Ipv6WithItsInterface", "udp://[fe80::1%eth0]:1", {"udp", "fe80::1%eth0", 1, "", {}},
                    "udp://[fe80::1%eth0]:1", ""},
        EndpointRow{"PtyWithTheDefaultLink", "pty:", {"pty", "", 0, "", {}}, "pty:", ""},
        EndpointRow{"PtyLink", "pty:/tmp/ttyNMEA", {"pty", "", 0, "/tmp/ttyNMEA", {}}, "pty:/tmp/ttyNMEA", ""},
        // The reader takes a relative path; the file output refuses it.
        EndpointRow{"RelativeFile", "file:log.nmea", {"file", "", 0, "log.nmea", {}}, "file:log.nmea", ""},
        EndpointRow{"StandardOutputWithBlanks", " - ", {"-", "", 0, "", {}}, "-", ""},
        EndpointRow{"BlanksAround", "\ttcp://127.0.0.1:10110 ", {"tcp", "127.0.0.1", 10110, "", {}},
                    "tcp://127.0.0.1:10110", ""},
        EndpointRow{"OptionsInOrderOneWithoutAValue", "serial:/dev/ttyS0?baud=9600&flow=none&raw",
                    {"serial", "", 0, "/dev/ttyS0", Options{{"baud", "9600"}, {"flow", "none"}, {"raw", ""}}},
                    "serial:/dev/ttyS0?baud=9600&flow=none&raw", ""},
        EndpointRow{"Empty", "", {}, "", "\"\" is not an output: it must start with a kind such as tcp://, udp://, "
                                             "serial:, pty:, file: or be -."},
        EndpointRow{"NoKind", "/dev/ttyUSB0", {}, "",
                    "\"/dev/ttyUSB0\" is not an output: it must start with a kind such as tcp://, udp://, serial:, "
                    "pty:, file: or be -."},
        EndpointRow{"EmptyKind", ":10110", {}, "",
                    "\":10110\" is not an output: it must start with a kind such as tcp://, udp://, serial:, pty:, "
                    "file: or be -."},
        EndpointRow{"UpperCaseKind", "TCP://127.0.0.1:10110", {}, "",
                    "\"TCP://127.0.0.1:10110\" is not an output: \"TCP\" is not a kind of output."},
        EndpointRow{"UnderscoreInTheKind", "my_log:/tmp/x", {}, "",
                    "\"my_log:/tmp/x\" is not an output: \"my_log\" is not a kind of output."},
        EndpointRow{"StandardOutputWithMore", "-:/tmp/x", {}, "", "\"-:/tmp/x\" is not an output: standard output is - alone."},
        EndpointRow{"PortZero", "tcp://127.0.0.1:0", {}, "",
                    "\"tcp://127.0.0.1:0\" is not an output: \"0\" is not a port number from 1 to 65535."},
        EndpointRow{"Port65536", "udp://[::1]:65536", {}, "",
                    "\"udp://[::1]:65536\" is not an output: \"65536\" is not a port number from 1 to 65535."},
        EndpointRow{"NoPort", "tcp://127.0.0.1", {}, "", "\"tcp://127.0.0.1\" is not an output: it needs ADDRESS:PORT after //."},
        EndpointRow{"NoAddress", "tcp-client://:10110", {}, "",
                    "\"tcp-client://:10110\" is not an output: it needs an address before the port."},
        EndpointRow{"EmptyBrackets", "tcp://[]:10110", {}, "",
                    "\"tcp://[]:10110\" is not an output: it needs an address before the port."},
        EndpointRow{"Ipv6WithoutItsPort", "tcp://[::1]", {}, "",
                    "\"tcp://[::1]\" is not an output: an IPv6 address is written [ADDRESS]:PORT."},
        EndpointRow{"Ipv6WithoutBrackets", "tcp://::1:10110", {}, "",
                    "\"tcp://::1:10110\" is not an output: an IPv6 address is written [ADDRESS]:PORT."},
        EndpointRow{"HostWithABracket", "tcp://12]:2007.1:10114", {}, "",
                    "\"tcp://12]:2007.1:10114\" is not an output: \"12]:2007.1\" is not an address or host name."},
        EndpointRow{"OptionWithoutAName", "serial:/dev/ttyS0?=4800", {}, "",
                    "\"serial:/dev/ttyS0?=4800\" is not an output: an option after \"?\" has no name."},
        EndpointRow{"EmptyOptionBetweenTwo", "serial:/dev/ttyS0?baud=4800&&raw", {}, "",
                    "\"serial:/dev/ttyS0?baud=4800&&raw\" is not an output: an option after \"?\" has no name."}),
    [](const ::testing::TestParamInfo<EndpointRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
