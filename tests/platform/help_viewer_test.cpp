#include "platform/qt_help_viewer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpSearchEngine>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <gtest/gtest.h>

namespace pelora {
namespace {

// The help file of the build folder; the test programs are built beside it.
std::string builtHelpFile() {
    const QString buildDir = qEnvironmentVariable("PELORA_BUILD_DIR", QStringLiteral(PELORA_BUILD_DIR));
    return (buildDir.isEmpty() ? helpFilePath() : QDir(buildDir).filePath(QStringLiteral("pelora.qch"))).toStdString();
}

// Top-level windows that the viewer may have put up besides the owner.
int visibleWindowsBesides(const QWidget& owner) {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != &owner && w->isVisible()) {
            ++count;
        }
    }
    return count;
}

int messageBoxes() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        count += qobject_cast<QMessageBox*>(w) != nullptr ? 1 : 0;
    }
    return count;
}

// The middle of the first link to `target` in the page shown, in the browser's viewport,
// scrolled into view; (-1, -1) when the page has no such link.
QPoint linkPosition(QTextBrowser& browser, const QString& target) {
    QTextDocument* page = browser.document();
    for (QTextBlock block = page->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isAnchor() && fragment.charFormat().anchorHref() == target) {
                QTextCursor cursor(page);
                cursor.setPosition(fragment.position() + fragment.length() / 2);
                browser.setTextCursor(cursor);
                browser.ensureCursorVisible();
                return browser.cursorRect(cursor).center();
            }
        }
    }
    return {-1, -1};
}

class UnreadableHelpFile : public ::testing::TestWithParam<int> {};

TEST_P(UnreadableHelpFile, MissingFileShowsNothingAndReturnsNoWindow) {
    QWidget owner;
    QtHelpViewer viewer;
    EXPECT_FALSE(viewer.HtmlHelp(owner.winId(), "/nonexistent/folder/pelora.qch", GetParam(), 2));
    QApplication::processEvents();
    EXPECT_EQ(visibleWindowsBesides(owner), 0);
    EXPECT_EQ(messageBoxes(), 0);
}

TEST_P(UnreadableHelpFile, DamagedFileShowsNothingAndReturnsNoWindow) {
    QTemporaryDir dir;
    const QString damaged = dir.filePath("pelora.qch");
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a help file\n");
    file.close();

    QWidget owner;
    QtHelpViewer viewer;
    EXPECT_FALSE(viewer.HtmlHelp(owner.winId(), damaged.toStdString(), GetParam(), 2));
    QApplication::processEvents();
    EXPECT_EQ(visibleWindowsBesides(owner), 0);
    EXPECT_EQ(messageBoxes(), 0);
}

INSTANTIATE_TEST_SUITE_P(Commands, UnreadableHelpFile,
                         ::testing::Values(kHelpDisplayToc, kHelpDisplayIndex, kHelpDisplaySearch,
                                           kHelpContext));

class HelpViewerOnBuiltFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFile::exists(QString::fromStdString(builtHelpFile()))) << builtHelpFile();
    }
    QWidget m_owner;
    QtHelpViewer m_viewer;
};

TEST_F(HelpViewerOnBuiltFile, IndexOpensANonModalWindowOwnedByTheWindowOnTheIndexTab) {
    ASSERT_TRUE(m_viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), kHelpDisplayIndex, 0));
    HelpWindow* window = m_viewer.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->parentWidget(), &m_owner);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->currentTab(), HelpWindow::Tab::Index);
    EXPECT_EQ(window->currentPage().fileName(), QStringLiteral("index.html"));

    QHelpIndexModel* index = window->engine()->indexModel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !index->isCreatingIndex() && index->rowCount() > 0; }, 10000));
    EXPECT_GE(index->rowCount(), 40);
    EXPECT_TRUE(index->stringList().contains(QStringLiteral("dialout group")));
}

TEST_F(HelpViewerOnBuiltFile, EachCommandOpensItsTabOrPageInTheSameWindow) {
    ASSERT_TRUE(m_viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), kHelpDisplayToc, 0));
    const QPointer<HelpWindow> first = m_viewer.window();
    EXPECT_EQ(first->currentTab(), HelpWindow::Tab::Contents);

    EXPECT_TRUE(m_viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), kHelpContext, 2));
    EXPECT_EQ(m_viewer.window(), first);
    EXPECT_EQ(m_viewer.window()->currentPage().fileName(), QStringLiteral("window.html"));

    EXPECT_TRUE(m_viewer.HtmlHelp(0, builtHelpFile(), kHelpDisplaySearch, 0));
    EXPECT_EQ(m_viewer.window(), first);
    EXPECT_EQ(m_viewer.window()->currentTab(), HelpWindow::Tab::Search);
    EXPECT_EQ(m_viewer.window()->currentPage().fileName(), QStringLiteral("window.html"));

    EXPECT_FALSE(m_viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), kHelpContext, 9999));
    EXPECT_FALSE(m_viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), 42, 0));
}

// Both with one click of the mouse: a link in a page opens the linked page in the help
// window, and so does an entry of the contents; the entry of the page shown is marked.
TEST_F(HelpViewerOnBuiltFile, LinksAndContentsEntriesOpenTheirPagesAndTheContentsMarkThePageShown) {
    ASSERT_TRUE(m_viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), kHelpDisplayToc, 0));
    HelpWindow* window = m_viewer.window();
    QHelpContentWidget* contents = window->engine()->contentWidget();
    const QUrl ports = window->startPage().resolved(QUrl(QStringLiteral("ports.html")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return contents->indexOf(ports).isValid(); }, 10000));
    ASSERT_EQ(window->currentPage().fileName().toStdString(), "index.html");

    const QPoint link = linkPosition(*window->browser(), QStringLiteral("voyages.html"));
    ASSERT_NE(link, QPoint(-1, -1));
    QTest::mouseClick(window->browser()->viewport(), Qt::LeftButton, {}, link);
    EXPECT_EQ(window->currentPage().fileName().toStdString(), "voyages.html");
    EXPECT_EQ(contents->currentIndex(), contents->indexOf(window->currentPage()));

    const QModelIndex entry = contents->indexOf(ports);
    contents->scrollTo(entry);
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, contents->visualRect(entry).center());
    EXPECT_EQ(window->currentPage().toString().toStdString(), ports.toString().toStdString());
    EXPECT_EQ(contents->currentIndex(), entry);

    // Back returns to the page before, Home to the first page.
    auto* back = window->findChild<QToolButton*>(QStringLiteral("helpBack"));
    auto* home = window->findChild<QToolButton*>(QStringLiteral("helpHome"));
    ASSERT_TRUE(back != nullptr && home != nullptr);
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(window->currentPage().fileName().toStdString(), "voyages.html");
    QTest::mouseClick(home, Qt::LeftButton);
    EXPECT_EQ(window->currentPage().fileName().toStdString(), "index.html");
}

TEST_F(HelpViewerOnBuiltFile, EscapeAndCtrlWCloseTheWindow) {
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        ASSERT_TRUE(m_viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), kHelpDisplayToc, 0));
        HelpWindow* window = m_viewer.window();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keySequence(window->browser(), keys);
        EXPECT_FALSE(window->isVisible()) << keys.toString().toStdString();
    }
}

TEST_F(HelpViewerOnBuiltFile, FullTextSearchFindsThePermissionsPage) {
    ASSERT_TRUE(m_viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), kHelpDisplaySearch, 0));
    QHelpSearchEngine* search = m_viewer.window()->engine()->searchEngine();
    // The index of the words is built in the background after the window opens; search until
    // it answers (the first searches may come before the index is complete).
    int found = -1;
    QObject::connect(search, &QHelpSearchEngine::searchingFinished, [&](int hits) { found = hits; });
    QElapsedTimer waited;
    waited.start();
    do {
        found = -1;
        search->search(QStringLiteral("dialout"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return found >= 0; }, 5000));
        if (found == 0) QTest::qWait(100);
    } while (found == 0 && waited.elapsed() < 15000);
    EXPECT_GT(found, 0);
    bool portsPage = false;
    for (const QHelpSearchResult& hit : search->searchResults(0, found)) {
        portsPage = portsPage || hit.url().fileName() == QStringLiteral("ports.html");
    }
    EXPECT_TRUE(portsPage);
}

TEST_F(HelpViewerOnBuiltFile, WindowGoesWithItsOwner) {
    auto* owner = new QWidget;
    QtHelpViewer viewer;
    ASSERT_TRUE(viewer.HtmlHelp(owner->winId(), builtHelpFile(), kHelpDisplayIndex, 0));
    QPointer<HelpWindow> window = viewer.window();
    delete owner;
    EXPECT_TRUE(window.isNull());
    // The viewer notices and opens a fresh window on the next call.
    ASSERT_TRUE(viewer.HtmlHelp(m_owner.winId(), builtHelpFile(), kHelpDisplayIndex, 0));
    EXPECT_EQ(viewer.window()->parentWidget(), &m_owner);
}

}  // namespace
}  // namespace pelora
