#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "config/config_dialogs.h"
#include "config/memory_settings_store.h"
#include "nmea/serial_control.h"
#include "support/fake_serial_control.h"
#include "platform/clock.h"
#include "platform/file_dialogs.h"
#include "platform/help_viewer.h"
#include "sim/random_source.h"
#include "ui/FRM_NMEA.h"

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

// Hands out a fixed sequence over and over and counts the draws.
class FixedRandom final : public RandomSource {
public:
    float next() override {
        const float value = values[draws % values.size()];
        ++draws;
        return value;
    }

    std::vector<float> values{0.25f, 0.5f, 0.75f, 0.125f};
    std::size_t draws = 0;
};

// File dialogs that answer with the names queued for them; an empty queue is a Cancel.
class QueuedFileDialogs final : public FileDialogs {
public:
    std::optional<std::string> saveFileName() override { return take(saveNames); }
    std::optional<std::string> openFileName() override { return take(openNames); }

    std::deque<std::string> saveNames;
    std::deque<std::string> openNames;

private:
    static std::optional<std::string> take(std::deque<std::string>& names) {
        if (names.empty()) {
            return std::nullopt;
        }
        std::string name = names.front();
        names.pop_front();
        return name;
    }
};

// Answers the save question with `answer` and keeps every question and message.
class FakeConfigDialogs final : public ConfigDialogs {
public:
    DialogAnswer askYesNoCancel(const std::string& text, const std::string& title) override {
        questions.push_back(title + ": " + text);
        return answer;
    }
    void showMessage(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }

    DialogAnswer answer = DialogAnswer::Cancel;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
};

// Keeps every help request instead of opening a help window.
class RecordingHelpViewer final : public HelpViewer {
public:
    struct Call {
        QWidget* owner;
        QString file;
        int command;
        std::intptr_t data;
    };
    QWidget* HtmlHelp(QWidget* owner, const QString& helpFile, int command, std::intptr_t data) override {
        calls.push_back({owner, helpFile, command, data});
        return nullptr;
    }
    std::vector<Call> calls;
};

// A main window with fakes in place of the clock, the random source and the program's end.
// The real tick timer is stopped so that only the test decides when a step happens.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<FRM_NMEA>(services());
        window->Timer1()->stop();
    }

    // Fakes for every outside service; the settings store starts empty (a first run).
    WindowServices services() {
        WindowServices services;
        services.clock = &clock;
        services.random = &random;
        services.leaveEventLoop = [this] { ++endings; };
        services.fileDialogs = &fileDialogs;
        services.showError = [this](const std::string& message) { errors.push_back(message); };
        services.serial = &serial;
        services.showNotice = [this](const std::string& text) { notices.push_back(text); };
        services.settings = &settings;
        services.configDialogs = &configDialogs;
        services.applicationName = "pelora";
        services.helpViewer = &helpViewer;
        services.webLink.confirm = [this](QWidget*) { return confirmBrowser; };
        services.webLink.openBrowser = [this](const QString& address) {
            browserOpened.push_back(address);
            return true;
        };
        services.showAbout = [this](const QString& version, int year) {
            aboutShown.push_back(version + " " + QString::number(year));
        };
        return services;
    }

    template <typename T>
    T* child(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    FakeClock clock;
    FixedRandom random;
    int endings = 0;
    QueuedFileDialogs fileDialogs;
    std::vector<std::string> errors;
    FakeSerialControl serial;
    std::vector<std::string> notices;
    MemorySettingsStore settings;
    FakeConfigDialogs configDialogs;
    RecordingHelpViewer helpViewer;
    bool confirmBrowser = false;
    QStringList browserOpened;
    QStringList aboutShown;
    std::unique_ptr<FRM_NMEA> window;
};

}  // namespace pelora::testing
