#pragma once

// The test stand-ins for the program's outside services, one of each. Every one is held in
// memory, records what was asked of it, and answers as the test says.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QWidget>

#include "platform/browser.h"
#include "platform/file_dialogs.h"
#include "platform/help_viewer.h"
#include "support/core_fakes.h"
#include "dialogs/window_dialogs.h"
#include "ui/window_services.h"

namespace pelora::testing {

// File dialogs that answer with the names queued for them, whatever kind of file is asked
// for; an empty queue is a Cancel. The kinds asked for are kept.
class QueuedFileDialogs final : public FileDialogs {
public:
    std::optional<std::string> saveFileName() override { return take(saveNames); }
    std::optional<std::string> openFileName() override { return take(openNames); }
    std::optional<std::string> saveFileName(FileKind kind) override {
        kinds.push_back(kind);
        return take(saveNames);
    }
    std::optional<std::string> openFileName(FileKind kind) override {
        kinds.push_back(kind);
        return take(openNames);
    }

    std::deque<std::string> saveNames;
    std::deque<std::string> openNames;
    std::vector<FileKind> kinds;

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

// Keeps every box the window asks for; the question before the browser answers `online`.
class FakeWindowDialogs final : public WindowDialogs {
public:
    void showError(const std::string& message) override { errors.push_back(message); }
    void showNotice(const std::string& text) override { notices.push_back(text); }
    void showAbout(const std::string& versionText, int year) override {
        about.push_back(versionText + " " + std::to_string(year));
    }
    bool confirmOnline() override {
        ++onlineQuestions;
        return online;
    }

    bool online = false;
    int onlineQuestions = 0;
    std::vector<std::string> errors;
    std::vector<std::string> notices;
    std::vector<std::string> about;
};

// Keeps every help request instead of opening a help window.
class RecordingHelpViewer final : public HelpViewer {
public:
    struct Call {
        WindowHandle owner;
        std::string file;
        int command;
        std::intptr_t data;
    };
    bool HtmlHelp(WindowHandle owner, const std::string& helpFile, int command, std::intptr_t data) override {
        calls.push_back({owner, helpFile, command, data});
        return false;
    }
    std::vector<Call> calls;
};

// Keeps every address instead of opening a browser.
class RecordingBrowser final : public Browser {
public:
    bool open(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
    std::vector<std::string> opened;
};

// Counts how often the program asked to leave its event loop.
class CountingProgramEnd final : public ProgramEnd {
public:
    void leaveEventLoop() override { ++endings; }
    int endings = 0;
};

}  // namespace pelora::testing
