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
#include "nmea/output.h"
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

// Outputs that keep every line and every choice applied; `problems` are what apply() reports.
class FakeOutputs final : public Outputs {
public:
    void writeLine(std::string_view line) override {
        ++lineCount;
        if (keepLines) lines.emplace_back(line);
    }
    std::vector<std::string> apply(const OutputSettings& settings) override {
        applied.push_back(settings);
        current.tcp.on = settings.tcp && problems.empty();
        current.udp.on = settings.udp;
        current.pty.on = settings.pty;
        return problems;
    }
    OutputStatus status() const override { return current; }
    void setListener(std::function<void(const std::string&)> callback) override {
        listener = std::move(callback);
    }
    void stopAll() override { ++stops; }

    bool keepLines = true;  // false: only count them (very long runs)
    std::size_t lineCount = 0;
    std::vector<std::string> lines;
    std::vector<OutputSettings> applied;
    std::vector<std::string> problems;
    OutputStatus current;
    std::function<void(const std::string&)> listener;
    int stops = 0;
};

}  // namespace pelora::testing
