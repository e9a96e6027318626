#include "ui/help_chm.h"

#include "platform/help_viewer.h"

namespace pelora::HELP_CHM {

void Show_Help_Index(HelpViewer& viewer, QWidget* owner) {
    viewer.HtmlHelp(owner, helpFilePath(), kHelpDisplayIndex, 0);
}

void Show_Help_Contents(HelpViewer& viewer, QWidget* owner) {
    viewer.HtmlHelp(owner, helpFilePath(), kHelpDisplayToc, 0);
}

void Show_Help_Topic(HelpViewer& viewer, QWidget* owner, std::int32_t topic) {
    viewer.HtmlHelp(owner, helpFilePath(), kHelpContext, topic);
}

void Show_Help_Search(HelpViewer& viewer, QWidget* /*owner*/) {
    viewer.HtmlHelp(nullptr, helpFilePath(), kHelpDisplaySearch, 0);
}

}  // namespace pelora::HELP_CHM
