// Any scenario file (and any GPX file it names) either reads into a whole scenario whose every
// value lies within its bounds, or is refused with errors that each name a line of the file;
// never both, never neither, never a crash or a hang.
#include <cmath>
#include <cstdlib>

#include "fuzz_input.h"
#include "scenario/scenario_parser.h"

namespace {

// The route file the scenario may name, read from the fuzzer's bytes.
class OneFile final : public pelora::FileSource {
public:
    explicit OneFile(std::string gpx) : m_gpx(std::move(gpx)) {}
    pelora::FileText read(const std::string&, std::size_t maxBytes) const override {
        pelora::FileText file;
        if (m_gpx.size() > maxBytes) {
            file.tooLarge = true;
        } else {
            file.bytes = m_gpx;
        }
        return file;
    }

private:
    std::string m_gpx;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pelora::fuzzing::FuzzInput input(data, size);
    const std::string gpx = input.takeString();
    const std::string toml = input.rest();
    const OneFile files(gpx);
    const pelora::ScenarioRead read = pelora::parseScenario(toml, "/f/scenario.toml", files);
    if (read.scenario.has_value() == !read.errors.empty()) std::abort();
    for (const pelora::SourceError& error : read.errors) {
        if (error.message.empty() || error.line < 0) std::abort();
    }
    if (read.scenario) {
        const pelora::Scenario& scenario = *read.scenario;
        if (scenario.start.position && (std::fabs(scenario.start.position->latitude) > 90 ||
                                        std::fabs(scenario.start.position->longitude) > 180)) {
            std::abort();
        }
        for (std::size_t i = 1; i < scenario.events.size(); ++i) {
            if (scenario.events[i].at < scenario.events[i - 1].at) std::abort();
        }
        if (scenario.route) {
            for (const pelora::Waypoint& point : scenario.route->waypoints) {
                if (!(std::fabs(point.latitude) <= 90 && std::fabs(point.longitude) <= 180)) std::abort();
            }
        }
    }
    return 0;
}
