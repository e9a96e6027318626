#include "ui/help_chm.h"

#include "platform/qt_help_viewer.h"

namespace pelora::HELP_CHM {

namespace {

constexpr WindowHandle kNoOwner = 0;

std::string helpFile() { return helpFilePath().toStdString(); }

}  // namespace

void Show_Help_Index(HelpViewer& viewer, WindowHandle owner) {
    viewer.HtmlHelp(owner, helpFile(), kHelpDisplayIndex, 0);
}

void Show_Help_Contents(HelpViewer& viewer, WindowHandle owner) {
    viewer.HtmlHelp(owner, helpFile(), kHelpDisplayToc, 0);
}

void Show_Help_Topic(HelpViewer& viewer, WindowHandle owner, std::int32_t topic) {
    viewer.HtmlHelp(owner, helpFile(), kHelpContext, topic);
}

void Show_Help_Search(HelpViewer& viewer, WindowHandle /*owner*/) {
    viewer.HtmlHelp(kNoOwner, helpFile(), kHelpDisplaySearch, 0);
}

}  // namespace pelora::HELP_CHM
