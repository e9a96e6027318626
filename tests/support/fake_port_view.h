#pragma once

// A simulation view that records what the window would show of the serial port and the
// sentences sent, in order, worded as the window words it.

#include <iterator>
#include <string>
#include <vector>

#include "run/simulation.h"

namespace pelora::testing {

class FakePortView final : public SimulationView {
public:
    std::vector<std::string> statusHistory;
    std::string toolTip;
    std::string baudText = "(unset)";
    std::vector<std::string> entries;
    std::vector<std::string> messages;
    std::vector<std::string> events;  // "status <text>" and "message", in the order they came
    std::vector<bool> checks = std::vector<bool>(PortManager::kBaudCount, false);
    std::vector<std::string> problems;  // what the outputs told

    void showPortEvent(const PortEvent& event) override {
        switch (event.kind) {
        case PortEvent::Kind::Listed:
            entries = PortManager::portEntries();
            return;
        case PortEvent::Kind::BaudChecked:
            checks = event.baudChecks;
            return;
        case PortEvent::Kind::NoPorts:
            messages.push_back(event.message);
            events.push_back("message");
            break;
        case PortEvent::Kind::Opened:
            baudText = event.settings;
            break;
        default:
            break;
        }
        if (const std::string text = portStatusText(event); !text.empty()) status(text);
        if (event.kind != PortEvent::Kind::NoPorts) toolTip = portToolTip(event);
    }
    void showSent(const std::string& sentence, bool serialOpen) override { status(sentStatusText(sentence, serialOpen)); }
    void showOutputChange(const std::string&, const std::string& problem) override {
        if (!problem.empty()) problems.push_back(problem);
    }

    // The status line as it reads now.
    std::string status() const { return statusHistory.empty() ? std::string() : statusHistory.back(); }
    std::vector<bool> checkMarks() const { return checks; }

private:
    void status(const std::string& text) {
        statusHistory.push_back(text);
        events.push_back("status " + text);
    }
};

}  // namespace pelora::testing
