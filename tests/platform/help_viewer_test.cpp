#include "platform/help_viewer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpSearchEngine>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace pelora {
namespace {

// The help file of the build folder; the test programs are built beside it.
QString builtHelpFile() {
    const QString buildDir = qEnvironmentVariable("PELORA_BUILD_DIR", QStringLiteral(PELORA_BUILD_DIR));
    return buildDir.isEmpty() ? helpFilePath() : QDir(buildDir).filePath(QStringLiteral("pelora.qch"));
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

class UnreadableHelpFile : public ::testing::TestWithParam<int> {};

TEST_P(UnreadableHelpFile, MissingFileShowsNothingAndReturnsNoWindow) {
    QWidget owner;
    QtHelpViewer viewer;
    EXPECT_EQ(viewer.HtmlHelp(&owner, "/nonexistent/folder/pelora.qch", GetParam(), 2), nullptr);
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
    EXPECT_EQ(viewer.HtmlHelp(&owner, damaged, GetParam(), 2), nullptr);
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
        ASSERT_TRUE(QFile::exists(builtHelpFile())) << builtHelpFile().toStdString();
    }
    QWidget m_owner;
    QtHelpViewer m_viewer;
};

TEST_F(HelpViewerOnBuiltFile, IndexOpensANonModalWindowOwnedByTheWindowOnTheIndexTab) {
    QWidget* shown = m_viewer.HtmlHelp(&m_owner, builtHelpFile(), kHelpDisplayIndex, 0);
    ASSERT_NE(shown, nullptr);
    HelpWindow* window = m_viewer.window();
    EXPECT_EQ(shown, window);
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
    QWidget* first = m_viewer.HtmlHelp(&m_owner, builtHelpFile(), kHelpDisplayToc, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_viewer.window()->currentTab(), HelpWindow::Tab::Contents);

    EXPECT_EQ(m_viewer.HtmlHelp(&m_owner, builtHelpFile(), kHelpContext, 2), first);
    EXPECT_EQ(m_viewer.window()->currentPage().fileName(), QStringLiteral("window.html"));

    EXPECT_EQ(m_viewer.HtmlHelp(nullptr, builtHelpFile(), kHelpDisplaySearch, 0), first);
    EXPECT_EQ(m_viewer.window()->currentTab(), HelpWindow::Tab::Search);
    EXPECT_EQ(m_viewer.window()->currentPage().fileName(), QStringLiteral("window.html"));

    EXPECT_EQ(m_viewer.HtmlHelp(&m_owner, builtHelpFile(), kHelpContext, 9999), nullptr);
    EXPECT_EQ(m_viewer.HtmlHelp(&m_owner, builtHelpFile(), 42, 0), nullptr);
}

TEST_F(HelpViewerOnBuiltFile, FullTextSearchFindsThePermissionsPage) {
    ASSERT_NE(m_viewer.HtmlHelp(&m_owner, builtHelpFile(), kHelpDisplaySearch, 0), nullptr);
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
    ASSERT_NE(viewer.HtmlHelp(owner, builtHelpFile(), kHelpDisplayIndex, 0), nullptr);
    QPointer<HelpWindow> window = viewer.window();
    delete owner;
    EXPECT_TRUE(window.isNull());
    // The viewer notices and opens a fresh window on the next call.
    ASSERT_NE(viewer.HtmlHelp(&m_owner, builtHelpFile(), kHelpDisplayIndex, 0), nullptr);
    EXPECT_EQ(viewer.window()->parentWidget(), &m_owner);
}

}  // namespace
}  // namespace pelora
