#pragma once

#include <cstdint>
#include <string>

namespace pelora {

// A window that owns a help window: its native window id (QWidget::winId()), 0 for none.
using WindowHandle = std::uintptr_t;

// Commands of the help viewer, numbered as in the HTML help interface.
inline constexpr int kHelpDisplayToc = 1;      // the table of contents
inline constexpr int kHelpDisplayIndex = 2;    // the keyword index
inline constexpr int kHelpDisplaySearch = 3;   // the full-text search page
inline constexpr int kHelpContext = 15;        // the topic with a context number

// The help file's bare name; it lies beside the program.
inline constexpr char kHelpFileName[] = "pelora.qch";

// Shows a help file. The program calls it and does not look at the result.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;

    // Opens the help file at `helpFile` (UTF-8) on what `command` asks for (kHelpDisplay*,
    // kHelpContext with the topic number in `data`), owned by the window `owner` when not 0.
    // Returns whether a help window was shown. Never blocks and never shows a message box.
    virtual bool HtmlHelp(WindowHandle owner, const std::string& helpFile, int command, std::intptr_t data) = 0;
};

}  // namespace pelora
