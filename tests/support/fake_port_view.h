#pragma once

// A port view that records everything the port management shows, in order.

#include <iterator>
#include <string>
#include <vector>

#include "run/port_manager.h"

namespace pelora::testing {

class FakePortView final : public PortView {
public:
    std::vector<std::string> statusHistory;
    std::string toolTip;
    std::string baudText = "(unset)";
    std::vector<std::string> entries;
    std::vector<std::string> messages;
    std::vector<std::string> events;  // "status <text>" and "message", in the order they came
    bool checks[PortManager::kBaudCount] = {};

    void setStatusText(const std::string& text) override {
        statusHistory.push_back(text);
        events.push_back("status " + text);
    }
    void setStatusToolTip(const std::string& text) override { toolTip = text; }
    void setBaudRateText(const std::string& text) override { baudText = text; }
    void setPortEntries(const std::vector<std::string>& shown) override { entries = shown; }
    void setBaudChecked(int index, bool checked) override { checks[index] = checked; }
    void showNoPortsMessage(const std::string& text) override {
        messages.push_back(text);
        events.push_back("message");
    }

    // The status line as it reads now.
    std::string status() const { return statusHistory.empty() ? std::string() : statusHistory.back(); }
    std::vector<bool> checkMarks() const { return std::vector<bool>(std::begin(checks), std::end(checks)); }
};

}  // namespace pelora::testing
