#include "dialogs/qt_file_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace pelora {
namespace {

// Ends the test program with a message when it is not destroyed within `limit`: a main
// thread blocked in a read fails no test any other way.
class Watchdog {
public:
    Watchdog(std::chrono::seconds limit, const char* what)
        : m_thread([this, limit, what] {
              std::unique_lock lock(m_mutex);
              if (!m_ended.wait_for(lock, limit, [this] { return m_done; })) {
                  std::fprintf(stderr, "%s: still blocked after %llds\n", what,
                               static_cast<long long>(limit.count()));
                  std::_Exit(EXIT_FAILURE);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_ended.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    std::thread m_thread;
};

// Runs `act` on the next modal file dialog, once it is shown.
void onNextDialog(std::function<void(QFileDialog&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

// Answers the next modal file dialog with `name` under `filter` (or rejects it when empty).
void answerNextDialog(const QString& name, const QString& filter = QStringLiteral("Pelora (*.vyg)")) {
    onNextDialog([name, filter](QFileDialog& dialog) {
        if (name.isEmpty()) {
            dialog.reject();
            return;
        }
        // Chosen as the operator does, so that the dialog hears of the choice.
        auto* filters = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(filters, nullptr);
        filters->setCurrentIndex(filters->findText(filter));
        emit filters->activated(filters->currentIndex());
        emit filters->textActivated(filter);
        dialog.selectFile(name);
        static_cast<QDialog&>(dialog).accept();  // QFileDialog::accept, protected there
    });
}

TEST(QtFileDialogs, DialogsCarryTitleFiltersAndOverwriteQuestion) {
    QtFileDialogs dialogs(nullptr);
    const QStringList filters = {"Pelora (*.vyg)", "NMEA logs (*.nmea *.log *.txt)", "All files (*)"};
    const auto save = dialogs.makeSaveDialog();
    EXPECT_EQ(save->windowTitle(), "Pelora");
    EXPECT_EQ(save->nameFilters(), filters);
    EXPECT_EQ(save->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(save->defaultSuffix(), "vyg");

    const auto open = dialogs.makeOpenDialog();
    EXPECT_EQ(open->windowTitle(), "Pelora");
    EXPECT_EQ(open->nameFilters(), filters);
    EXPECT_EQ(open->fileMode(), QFileDialog::ExistingFile);

    const auto gpx = dialogs.makeSaveDialog(FileKind::Gpx);
    EXPECT_EQ(gpx->nameFilters(), QStringList({"GPX (*.gpx)", "All files (*)"}));
    EXPECT_EQ(gpx->defaultSuffix(), "gpx");
    EXPECT_FALSE(gpx->testOption(QFileDialog::DontConfirmOverwrite));
    const auto scenario = dialogs.makeOpenDialog(FileKind::Scenario);
    EXPECT_EQ(scenario->nameFilters(), QStringList({"Pelora scenarios (*.toml)", "All files (*)"}));
    EXPECT_EQ(scenario->fileMode(), QFileDialog::ExistingFile);
}

// A name typed without extension becomes a Pelora voyage under the Pelora filter only.
TEST(QtFileDialogs, SaveAddsTheExtensionUnderThePeloraFilterAndCancelGivesNothing) {
    QTemporaryDir dir;
    QtFileDialogs dialogs(nullptr);
    answerNextDialog(dir.path() + "/harbour");
    EXPECT_EQ(dialogs.saveFileName(), (dir.path() + "/harbour.vyg").toStdString());
    answerNextDialog(dir.path() + "/track", "NMEA logs (*.nmea *.log *.txt)");
    EXPECT_EQ(dialogs.saveFileName(), (dir.path() + "/track").toStdString());

    answerNextDialog({});
    EXPECT_EQ(dialogs.openFileName(), std::nullopt);
}

// The first dialog opens in the home folder; later ones where a file was last saved or
// loaded, never where a save failed.
TEST(QtFileDialogs, DialogsOpenWhereTheLastFileThatWorkedIs) {
    QTemporaryDir worked;
    QtFileDialogs dialogs(nullptr);
    EXPECT_EQ(dialogs.makeOpenDialog()->directory(), QDir::home());
    EXPECT_EQ(dialogs.makeSaveDialog()->directory(), QDir::home());

    answerNextDialog(QStringLiteral("/proc/voy.vyg"));
    EXPECT_EQ(dialogs.saveFileName(), "/proc/voy.vyg");  // and the save fails: nothing told
    EXPECT_EQ(dialogs.makeOpenDialog()->directory(), QDir::home());

    dialogs.fileUsed((worked.path() + "/harbour.vyg").toStdString());
    EXPECT_EQ(dialogs.makeOpenDialog()->directory(), QDir(worked.path()));
    const auto save = dialogs.makeSaveDialog();
    EXPECT_EQ(save->directory(), QDir(worked.path()));
    EXPECT_EQ(save->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text(), "harbour.vyg");
}

// The open dialog with a folder typed into its name field, as the operator does, left until
// the dialog has listed the folder and its files' details.
void browse(const QString& folder, const std::function<void(QFileSystemModel&)>& whenListed) {
    QtFileDialogs dialogs(nullptr);
    onNextDialog([folder, whenListed](QFileDialog& dialog) {
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(model, nullptr);
        bool listed = false;
        QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog,
                         [&listed, folder](const QString& path) { listed = listed || path == folder; });
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        QTest::keyClicks(name, folder + "/");
        EXPECT_TRUE(QTest::qWaitFor([&listed] { return listed; }, 20'000));
        QTest::qWait(500);  // the file details of the listing arrive after it
        whenListed(*model);
        dialog.reject();
    });
    EXPECT_EQ(dialogs.openFileName(), std::nullopt);
}

TEST(QtFileDialogs, BrowsingProcComesBack) {
    const Watchdog watchdog(std::chrono::seconds(60), "the file dialog in /proc");
    browse(QStringLiteral("/proc"), [](QFileSystemModel& listing) {
        EXPECT_TRUE(listing.index(QStringLiteral("/proc/sys")).isValid());
    });
}

// Listing a folder opens none of its files, even those whose names say nothing of their type.
TEST(QtFileDialogs, BrowsingAFolderOpensNoneOfItsFiles) {
    QTemporaryDir dir;
    for (const char* name : {"kmsg", "harbour.vyg", "receiver"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("$GPGLL,1\r\n");
    }
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, dir.path().toLocal8Bit().constData(), IN_OPEN), 0);

    browse(dir.path(), [](QFileSystemModel&) {});

    alignas(inotify_event) char events[16384];
    QStringList opened;
    for (ssize_t got = ::read(watch, events, sizeof events); got > 0; got = ::read(watch, events, sizeof events)) {
        for (char* at = events; at < events + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0) opened << QString::fromLocal8Bit(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    EXPECT_TRUE(opened.isEmpty()) << opened.join(", ").toStdString();
}

}  // namespace
}  // namespace pelora
