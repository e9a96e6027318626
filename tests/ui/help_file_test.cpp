// The built help file: its topics, its keyword index, its links and its examples.
#include "platform/qt_help_viewer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QHelpLink>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace pelora {
namespace {

// The help file of the build folder; the test programs are built beside it.
QString builtHelpFile() {
    const QString buildDir = qEnvironmentVariable("PELORA_BUILD_DIR", QStringLiteral(PELORA_BUILD_DIR));
    return buildDir.isEmpty() ? helpFilePath() : QDir(buildDir).filePath(QStringLiteral("pelora.qch"));
}

class HelpFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        s_engine = std::make_unique<QHelpEngineCore>(s_dir->filePath("test.qhc"));
        s_engine->setReadOnly(false);
        s_engine->setUsesFilterEngine(true);
        s_registered = s_engine->setupData() && s_engine->registerDocumentation(builtHelpFile());
        s_engine->setupData();
    }
    static void TearDownTestSuite() {
        s_engine.reset();
        s_dir.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(s_registered) << "cannot read " << builtHelpFile().toStdString()
                                  << " (build the target pelora_help): "
                                  << s_engine->error().toStdString();
        m_namespace = QHelpEngineCore::namespaceName(builtHelpFile());
    }

    QHelpEngineCore& engine() { return *s_engine; }
    QList<QUrl> pages() { return engine().files(m_namespace, QString(), QStringLiteral("html")); }
    QString pageText(const QUrl& page) { return QString::fromUtf8(engine().fileData(page)); }

    QString m_namespace;
    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline std::unique_ptr<QHelpEngineCore> s_engine;
    static inline bool s_registered = false;
};

TEST_F(HelpFile, EveryContextNumberLeadsToAPageOfTheFile) {
    for (int topic = 1; topic <= 13; ++topic) {
        const QList<QHelpLink> links = engine().documentsForIdentifier(helpTopicIdentifier(topic));
        ASSERT_EQ(links.size(), 1) << "topic " << topic;
        EXPECT_FALSE(engine().fileData(links.front().url).isEmpty()) << "topic " << topic;
    }
    EXPECT_TRUE(engine().documentsForIdentifier(helpTopicIdentifier(14)).isEmpty());
}

TEST_F(HelpFile, TopicTwoIsTheMainWindowAndOneTheWelcome) {
    EXPECT_EQ(engine().documentsForIdentifier(helpTopicIdentifier(2)).front().url.fileName(),
              QStringLiteral("window.html"));
    EXPECT_EQ(engine().documentsForIdentifier(helpTopicIdentifier(1)).front().url.fileName(),
              QStringLiteral("index.html"));
}

TEST_F(HelpFile, IndexListsTheMainTopics) {
    const struct {
        const char* keyword;
        const char* page;
    } expected[] = {
        {"Main window", "window.html"},     {"Autopilot", "steering.html"},
        {"Rate of turn", "steering.html"},  {"Ship Response", "realism.html"},
        {"Sea-State", "realism.html"},      {"GPS Noise", "realism.html"},
        {"GLL", "sentences.html"},          {"GGA", "sentences.html"},
        {"RMC", "sentences.html"},          {"Checksum", "sentences.html"},
        {"Positions", "positions.html"},    {"Voyages", "voyages.html"},
        {"Serial ports", "ports.html"},     {"Device map", "ports.html"},
        {"dialout group", "ports.html"},    {"Permission denied", "ports.html"},
        {"socat", "gpsd.html"},             {"gpsd", "gpsd.html"},
        {"Chart plotter", "gpsd.html"},     {"Settings", "settings.html"},
    };
    for (const auto& row : expected) {
        const QList<QHelpLink> links = engine().documentsForKeyword(QString::fromUtf8(row.keyword));
        ASSERT_FALSE(links.isEmpty()) << row.keyword;
        EXPECT_EQ(links.front().url.fileName(), QString::fromUtf8(row.page)) << row.keyword;
    }
}

// Every link between pages, and every anchor a link or a keyword names, exists in the file.
TEST_F(HelpFile, LinksAndAnchorsResolveInsideTheFile) {
    const QList<QUrl> all = pages();
    ASSERT_GE(all.size(), 13);
    const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    for (const QUrl& page : all) {
        const QString text = pageText(page);
        for (auto it = href.globalMatch(text); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.startsWith("http")) {
                continue;
            }
            const QUrl url = page.resolved(QUrl(target));
            const QString targetText = pageText(url.adjusted(QUrl::RemoveFragment));
            ASSERT_FALSE(targetText.isEmpty()) << page.toString().toStdString() << " -> "
                                               << target.toStdString();
            if (url.hasFragment()) {
                EXPECT_TRUE(targetText.contains("name=\"" + url.fragment() + "\""))
                    << page.toString().toStdString() << " -> " << target.toStdString();
            }
        }
    }
    // The keywords of the help project, as the index would offer them.
    QString sourceDir = qEnvironmentVariable("PELORA_SOURCE_DIR", QStringLiteral(PELORA_SOURCE_DIR));
    if (sourceDir.isEmpty()) {
        sourceDir = QFileInfo(QStringLiteral(__FILE__)).absoluteDir().filePath(QStringLiteral("../.."));
    }
    QFile project(QDir(sourceDir).filePath(QStringLiteral("help/pelora.qhp")));
    ASSERT_TRUE(project.open(QIODevice::ReadOnly));
    const QRegularExpression keyword(QStringLiteral("<keyword name=\"([^\"]+)\"[^>]*ref=\"([^\"]+)\""));
    int keywords = 0;
    for (auto it = keyword.globalMatch(QString::fromUtf8(project.readAll())); it.hasNext(); ++keywords) {
        const QRegularExpressionMatch match = it.next();
        const QList<QHelpLink> links = engine().documentsForKeyword(match.captured(1));
        ASSERT_FALSE(links.isEmpty()) << match.captured(1).toStdString();
        for (const QHelpLink& link : links) {
            EXPECT_FALSE(pageText(link.url.adjusted(QUrl::RemoveFragment)).isEmpty())
                << link.url.toString().toStdString();
            if (link.url.hasFragment()) {
                EXPECT_TRUE(pageText(link.url.adjusted(QUrl::RemoveFragment))
                                .contains("name=\"" + link.url.fragment() + "\""))
                    << link.url.toString().toStdString();
            }
        }
    }
    EXPECT_GE(keywords, 40);
}

// The example sentences carry correct checksums: users copy them into their equipment's tests.
TEST_F(HelpFile, ExampleSentencesHaveCorrectChecksums) {
    const QRegularExpression sentence(QStringLiteral("\\$(GP[A-Z]{3},[^*<\\s]*)\\*([0-9A-F]{2})"));
    int examples = 0;
    for (const QUrl& page : pages()) {
        for (auto it = sentence.globalMatch(pageText(page)); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            unsigned sum = 0;
            for (const QChar c : match.captured(1)) {
                sum ^= c.unicode();
            }
            EXPECT_EQ(match.captured(2), QStringLiteral("%1").arg(sum, 2, 16, QChar('0')).toUpper())
                << match.captured(0).toStdString();
            ++examples;
        }
    }
    EXPECT_GE(examples, 3);
}

}  // namespace
}  // namespace pelora
