#pragma once

// The test stand-ins for the core's outside services (no Qt): each is held in memory, records
// what was asked of it, and answers as the test says.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_dialogs.h"
#include <map>
#include <memory>

#include "run/output.h"
#include "platform/ticker.h"
#include "sim/clock.h"
#include "sim/random_source.h"

namespace pelora::testing {

// A clock that moves only when told to.
class FakeClock final : public Clock {
public:
    DateTime localNow() const override { return local; }
    DateTime utcNow() const override { return utc; }
    std::chrono::milliseconds monotonicNow() const override { return monotonic; }
    void advance(std::chrono::milliseconds step) { monotonic += step; }

    DateTime local{2024, 6, 15, 12, 34, 56};
    DateTime utc{2024, 6, 15, 10, 34, 56};
    std::chrono::milliseconds monotonic{50'000};
};

// Hands out `values` in turn and counts the draws; past the end it starts again, or, with
// `cycle` false, gives 0.
class FixedRandom final : public RandomSource {
public:
    FixedRandom() = default;
    FixedRandom(std::vector<float> list, bool repeat) : values(std::move(list)), cycle(repeat) {}

    float next() override {
        const std::size_t index = draws++;
        if (values.empty() || (!cycle && index >= values.size())) {
            return 0.0f;
        }
        return values[index % values.size()];
    }

    std::vector<float> values{0.25f, 0.5f, 0.75f, 0.125f};
    bool cycle = true;
    std::size_t draws = 0;
};

// Answers the save question with `answers` in turn, then with `answer`, and keeps every
// question and message as "title: text".
class FakeConfigDialogs final : public ConfigDialogs {
public:
    DialogAnswer askYesNoCancel(const std::string& text, const std::string& title) override {
        questions.push_back(title + ": " + text);
        if (answers.empty()) return answer;
        const DialogAnswer next = answers.front();
        answers.erase(answers.begin());
        return next;
    }
    void showMessage(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }

    std::vector<DialogAnswer> answers;
    DialogAnswer answer = DialogAnswer::Cancel;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
};

// A beat that never fires by itself: the test calls tick() (or the window's Timer1_Timer).
class ManualTicker final : public Ticker {
public:
    void start(std::function<void()> onTick) override {
        m_onTick = std::move(onTick);
        ++starts;
    }
    void stop() override { m_onTick = nullptr; }
    bool isActive() const override { return static_cast<bool>(m_onTick); }
    void tick() {
        if (m_onTick) m_onTick();
    }
    int starts = 0;

private:
    std::function<void()> m_onTick;
};

class FakeOutputMaker;

// An output held in memory: keeps every line written while it runs.
class FakeOutput final : public Output {
public:
    FakeOutput(FakeOutputMaker& maker, std::string endpoint) : m_maker(maker), m_endpoint(std::move(endpoint)) {}
    ~FakeOutput() override;

    std::string endpoint() const override { return m_endpoint; }
    std::optional<Failure> start() override;
    void stop() override {
        running = false;
        ++stops;
    }
    OutputState state() const override { return {running, where.empty() ? m_endpoint : where, problem, clients}; }
    void writeLine(std::string_view line) override {
        if (running) lines.emplace_back(line);
    }
    void setListener(std::function<void(const std::string&)> callback) override { listener = std::move(callback); }

    bool running = false;
    std::string where;
    std::string problem;
    int clients = -1;
    int starts = 0;
    int stops = 0;
    std::vector<std::string> lines;
    std::function<void(const std::string&)> listener;

private:
    FakeOutputMaker& m_maker;
    std::string m_endpoint;
};

// Makes fake outputs and keeps track of them by endpoint; an endpoint in `refused` cannot be
// made, one in `failing` cannot start.
class FakeOutputMaker final : public OutputMaker {
public:
    Result<std::unique_ptr<Output>> make(const Endpoint& endpoint) override {
        const std::string text = endpoint.text();
        made.push_back(text);
        if (const auto found = refused.find(text); found != refused.end()) return found->second;
        auto output = std::make_unique<FakeOutput>(*this, text);
        live[text] = output.get();
        if (onMake) onMake(*output);
        return std::unique_ptr<Output>(std::move(output));
    }
    // The output made for `endpoint` and still alive, or nullptr.
    FakeOutput* find(const std::string& endpoint) const {
        const auto found = live.find(endpoint);
        return found == live.end() ? nullptr : found->second;
    }
    // The endpoints of the outputs alive and running.
    std::vector<std::string> running() const {
        std::vector<std::string> endpoints;
        for (const auto& [endpoint, output] : live) {
            if (output->running) endpoints.push_back(endpoint);
        }
        return endpoints;
    }

    std::vector<std::string> made;
    std::function<void(FakeOutput&)> onMake;  // runs on every output made
    std::map<std::string, Failure> refused;
    std::map<std::string, Failure> failing;
    std::map<std::string, FakeOutput*> live;
};

inline FakeOutput::~FakeOutput() {
    m_maker.live.erase(m_endpoint);
}

inline std::optional<Failure> FakeOutput::start() {
    ++starts;
    if (const auto found = m_maker.failing.find(m_endpoint); found != m_maker.failing.end()) {
        running = false;
        problem = found->second.message();
        return found->second;
    }
    running = true;
    problem.clear();
    return std::nullopt;
}

}  // namespace pelora::testing
