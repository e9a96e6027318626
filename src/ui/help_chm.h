#pragma once

#include <cstdint>

#include "platform/help_viewer.h"

namespace pelora {

// The help calls of the main window. Each makes exactly one HtmlHelp call of the viewer with
// the help file beside the program; the viewer's answer is not looked at, and a missing help
// file shows nothing of the program's own.
namespace HELP_CHM {

// Opens the help on its keyword index, owned by `owner`.
void Show_Help_Index(HelpViewer& viewer, WindowHandle owner);

// Opens the help on its table of contents, owned by `owner`.
void Show_Help_Contents(HelpViewer& viewer, WindowHandle owner);

// Opens the help on the topic with context number `topic`, owned by `owner`.
void Show_Help_Topic(HelpViewer& viewer, WindowHandle owner, std::int32_t topic);

// Opens the help on its search page; the window has no owner (`owner` is not used).
void Show_Help_Search(HelpViewer& viewer, WindowHandle owner);

}  // namespace HELP_CHM

}  // namespace pelora
