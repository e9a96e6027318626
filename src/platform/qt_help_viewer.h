#pragma once

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/help_viewer.h"

class QHelpEngine;
class QLineEdit;
class QSplitter;
class QTabWidget;
class QTemporaryDir;
class QTextBrowser;

namespace pelora {

// The full path of the help file beside the program (QCoreApplication::applicationDirPath()).
QString helpFilePath();

// The help file keyword identifier that a context number maps to ("pelora.topic.<n>").
QString helpTopicIdentifier(std::int32_t topic);

// The help window: contents, index and search tabs beside a page browser, over a Qt
// compressed help file. Its collection file lives in a temporary folder of its own, since
// the folder of the help file may be read-only. A link in a page opens the linked page in
// the window (a web address goes to the browser); a contents entry opens on a single click,
// and the entry of the page shown stays marked.
class HelpWindow : public QWidget {
public:
    enum class Tab { Contents = 0, Index = 1, Search = 2 };

    // Opens `helpFile` (which must exist) in a window owned by `owner` (may be null).
    HelpWindow(const QString& helpFile, QWidget* owner);
    ~HelpWindow() override;

    // False when the help file could not be read; the window then shows nothing useful.
    bool isUsable() const { return m_usable; }
    const QString& helpFile() const { return m_helpFile; }

    // The help file's first page (its start page).
    QUrl startPage() const;
    // The page a context number maps to, or an empty url when the file has no such topic.
    QUrl topicPage(std::int32_t topic) const;

    void showTab(Tab tab);
    Tab currentTab() const;
    // Shows a page of the help file (a qthelp:// url) in the browser.
    void showPage(const QUrl& page);
    QUrl currentPage() const;

    QHelpEngine* engine() const { return m_engine; }
    QTextBrowser* browser() const { return m_browser; }

private:
    void buildWidgets();
    // Follows a link clicked in a page: a page of the help file (or a place in one) is shown
    // here, anything else goes to the browser.
    void followLink(const QUrl& link);

    QString m_helpFile;
    std::unique_ptr<QTemporaryDir> m_collectionDir;
    QHelpEngine* m_engine = nullptr;
    QString m_namespace;
    bool m_usable = false;
    QSplitter* m_body = nullptr;
    QTabWidget* m_tabs = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QTextBrowser* m_browser = nullptr;
};

// The program's help viewer: one help window, shown non-modally and reused by later calls.
// A missing help file shows nothing. The owner is found by its window id (QWidget::find);
// an id that names no widget of this program gives a window without owner.
class QtHelpViewer final : public HelpViewer {
public:
    QtHelpViewer() = default;
    ~QtHelpViewer() override;
    QtHelpViewer(const QtHelpViewer&) = delete;
    QtHelpViewer& operator=(const QtHelpViewer&) = delete;

    bool HtmlHelp(WindowHandle owner, const std::string& helpFile, int command, std::intptr_t data) override;

    // The help window of the last successful call, if it still exists.
    HelpWindow* window() const { return m_window; }

private:
    HelpWindow* windowFor(QWidget* owner, const QString& helpFile);

    QPointer<HelpWindow> m_window;
};

}  // namespace pelora
