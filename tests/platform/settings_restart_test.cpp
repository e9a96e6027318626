// Restart cycles of the control-state store through a real settings file: each "run" is a new
// store, a new AutoConfig and a new form showing the program's defaults.

#include <cerrno>
#include <memory>

#include <gtest/gtest.h>

#include "config/autoconfig.h"
#include "config/fake_form.h"
#include "support/core_fakes.h"
#include "platform/app_identity.h"
#include "platform/qt_settings_store.h"
#include "settings_file_fixture.h"

namespace pelora {
namespace {

using testing::FakeConfigDialogs;
using test::FakeForm;
using test::Kind;

struct ProgramRun {
    explicit ProgramRun(std::vector<DialogAnswer> answers = {}) {
        dialogs.answers = std::move(answers);
        form.add("txt_SPEED", Kind::Text, "6");
        form.add("chk_sum", Kind::Check, "0");
        form.add("cmb_NMEA", Kind::FixedList, "", {"GLL", "GGA", "RMC"}, 0);
        form.add("cmb_PORT", Kind::FixedList, "", {"COM 1", "COM 2", "COM 3"}, 0);
        form.add("LAB_NMEA", Kind::Label, "");
        config.attach_form(form, true);
    }

    QtSettingsStore store{executableName()};
    FakeConfigDialogs dialogs;
    int ends = 0;
    AutoConfig config{store, dialogs, executableName(), "Pelora", [this] { ++ends; }};
    FakeForm form{"FRM_NMEA"};
};

class SettingsRestartTest : public test::SettingsFileTest {
protected:
    QString ini() const { return iniPath(QString::fromStdString(executableName())); }
};

TEST_F(SettingsRestartTest, YesStoresTheValuesTheNextRunRestoresThemAndNoKeepsThem) {
    {
        ProgramRun first({DialogAnswer::Yes});
        first.form["txt_SPEED"].value = "12";
        first.form["cmb_NMEA"].listIndex = 2;
        first.form["cmb_PORT"].listIndex = 2;
        EXPECT_TRUE(first.config.query_close(first.form));
        EXPECT_EQ(first.dialogs.questions.size(), 1u);  // the first run always asks
        EXPECT_EQ(first.ends, 1);
    }
    {
        ProgramRun second({DialogAnswer::No});
        EXPECT_EQ(second.form.shown("txt_SPEED"), "12");
        EXPECT_EQ(second.form.shown("cmb_NMEA"), "RMC");
        EXPECT_EQ(second.form.shown("cmb_PORT"), "COM 3");
        EXPECT_EQ(second.form["cmb_PORT"].reactions, 1);  // the restored port is opened
        second.form["txt_SPEED"].value = "14";
        EXPECT_TRUE(second.config.query_close(second.form));
        EXPECT_EQ(second.ends, 1);
    }
    ProgramRun third;
    EXPECT_EQ(third.form.shown("txt_SPEED"), "12");
    EXPECT_TRUE(third.config.query_close(third.form));
    EXPECT_TRUE(third.dialogs.questions.empty());
}

TEST_F(SettingsRestartTest, DamagedAndHandWrittenLinesSpoilNothingAndSurviveAYes) {
    const QString application = QString::fromStdString(executableName());
    {
        ProgramRun first({DialogAnswer::Yes});  // leaves a good file behind
        first.form["txt_SPEED"].value = "12";
        first.config.query_close(first.form);
    }
    QByteArray text = "; my ports\n[Ports]\nCOM1=/dev/pts/7\n\n" + readFile(application) + "[FRM_NMEA\ngarbage\n";
    writeFile(text, application);

    ProgramRun run({DialogAnswer::Yes});
    EXPECT_TRUE(run.dialogs.messages.empty());
    EXPECT_EQ(run.form.shown("txt_SPEED"), "12");
    run.form["txt_SPEED"].value = "14";
    EXPECT_TRUE(run.config.query_close(run.form));
    EXPECT_EQ(run.ends, 1);
    EXPECT_EQ(readFile(application), text.replace("txt_SPEED=12", "txt_SPEED=14"));
}

TEST_F(SettingsRestartTest, UnwritableFileAtYesIsReportedAndTheProgramStaysOpen) {
    {
        ProgramRun first({DialogAnswer::Yes});
        first.form["txt_SPEED"].value = "12";
        first.config.query_close(first.form);
    }
    const QByteArray before = readFile(QString::fromStdString(executableName()));
    ProgramRun run({DialogAnswer::Yes});
    run.form["txt_SPEED"].value = "20";
    if (!makeUnwritable(ini())) {
        GTEST_SKIP() << "cannot make a file unwritable here";
    }
    EXPECT_FALSE(run.config.query_close(run.form));
    EXPECT_EQ(run.ends, 0);
    ASSERT_EQ(run.dialogs.messages.size(), 1u);
    const std::string& text = run.dialogs.messages[0];
    EXPECT_NE(text.find(ini().toStdString()), std::string::npos) << text;
    EXPECT_NE(text.find("The program stays open."), std::string::npos) << text;
    EXPECT_EQ(readFile(QString::fromStdString(executableName())), before);
}

}  // namespace
}  // namespace pelora
