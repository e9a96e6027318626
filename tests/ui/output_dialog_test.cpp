// The output dialog: OK takes usable values and refuses the others with the reason shown (a
// further output's with its line), the switches of the outputs pass through unchanged.

#include "dialogs/output_dialog.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace pelora {
namespace {

struct FieldRow {
    const char* name;
    const char* field;    // object name of the field typed into
    const char* typed;    // "%T" stands for a temporary folder holding a file named "file"; "\n" is Return
    const char* problem;  // what the dialog shows ("%T" as above); "" when OK closes it
};

class OutputDialogTest : public ::testing::TestWithParam<FieldRow> {};

QString withFolder(const char* text, const QString& folder) {
    return QString::fromUtf8(text).replace(QStringLiteral("%T"), folder);
}

TEST_P(OutputDialogTest, OkTakesUsableValuesOnly) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QFile file(folder.filePath(QStringLiteral("file")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    OutputSettings before;
    before.tcp = true;
    before.utc = true;
    before.udpPort = 2000;
    before.endpoints = {"file:/tmp/a.nmea", "-"};
    OutputDialog dialog(before);
    dialog.show();
    EXPECT_EQ(dialog.findChild<QPlainTextEdit*>(QStringLiteral("txt_Endpoints"))->toPlainText(),
              QStringLiteral("file:/tmp/a.nmea\n-"));
    auto* field = dialog.findChild<QWidget*>(QString::fromUtf8(GetParam().field));
    ASSERT_NE(field, nullptr);
    const QString typed = withFolder(GetParam().typed, folder.path());
    if (auto* line = qobject_cast<QLineEdit*>(field)) line->selectAll();
    if (auto* text = qobject_cast<QPlainTextEdit*>(field)) text->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    const QStringList lines = typed.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClicks(field, lines[i]);
    }
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttons"))->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);

    const QString problem = withFolder(GetParam().problem, folder.path());
    const auto* shown = dialog.findChild<QLabel*>(QStringLiteral("problem"));
    if (problem.isEmpty()) {
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
        OutputSettings expected = before;
        const std::string value = typed.trimmed().toStdString();
        const std::string name = GetParam().field;
        if (name == "tcpAddress") expected.tcpAddress = value;
        if (name == "tcpPort") expected.tcpPort = std::stoi(value);
        if (name == "udpAddress") expected.udpAddress = value;
        if (name == "udpPort") expected.udpPort = std::stoi(value);
        if (name == "ptyLink") expected.ptyLink = value;
        if (name == "txt_Endpoints") {
            expected.endpoints.clear();
            for (const QString& line : lines) {
                if (!line.trimmed().isEmpty()) expected.endpoints.push_back(line.trimmed().toStdString());
            }
        }
        EXPECT_EQ(dialog.settings(), expected);
    } else {
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(shown->text(), problem);
        EXPECT_EQ(dialog.settings(), before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, OutputDialogTest,
    ::testing::Values(
        FieldRow{"EveryNetwork", "tcpAddress", "0.0.0.0", ""},
        FieldRow{"Ipv6", "tcpAddress", " ::1 ", ""},
        FieldRow{"Broadcast", "udpAddress", "192.168.1.255", ""},
        FieldRow{"HighestPort", "udpPort", "65535", ""},
        FieldRow{"Link", "ptyLink", "%T/new/ttyNMEA", ""},
        FieldRow{"DefaultLink", "ptyLink", "", ""},
        FieldRow{"HostName", "tcpAddress", "localhost",
                 "The TCP server address \"localhost\" is not an IP address such as 127.0.0.1 or 0.0.0.0."},
        // QHostAddress would read this as 192.168.0.1.
        FieldRow{"ShortForm", "udpAddress", "192.168.1",
                 "The UDP address \"192.168.1\" is not an IP address such as 127.0.0.1 or 0.0.0.0."},
        FieldRow{"PortZero", "tcpPort", "0", "The TCP server port must be a whole number from 1 to 65535."},
        FieldRow{"PortTooHigh", "udpPort", "65536", "The UDP port must be a whole number from 1 to 65535."},
        FieldRow{"PortNotANumber", "tcpPort", "10110x", "The TCP server port must be a whole number from 1 to 65535."},
        FieldRow{"RelativeLink", "ptyLink", "ttyNMEA",
                 "The virtual serial port's link \"ttyNMEA\" is not an absolute path ending in a name."},
        FieldRow{"LinkIsAFile", "ptyLink", "%T/file",
                 "The virtual serial port's link %T/file is an existing file, not a link."},
        FieldRow{"LinkBelowAFile", "ptyLink", "%T/file/ttyNMEA",
                 "The virtual serial port's link cannot be made in %T/file: it is not a folder."},
        FieldRow{"FurtherOutputsBlankLinesDropped", "txt_Endpoints",
                 "\nfile:%T/log.nmea\n\n  tcp-client://plotter.local:2000 \n-\n", ""},
        FieldRow{"NoFurtherOutputs", "txt_Endpoints", "", ""},
        FieldRow{"FurtherOutputRefusedByItsLine", "txt_Endpoints", "-\n\nfile:log.nmea",
                 "Further outputs, line 3: \"file:log.nmea\" is not an output: write it file:/ABSOLUTE/PATH."},
        FieldRow{"FurtherOutputNotRead", "txt_Endpoints", "tcp://127.0.0.1:0",
                 "Further outputs, line 1: \"tcp://127.0.0.1:0\" is not an output: \"0\" is not a port number from "
                 "1 to 65535."},
        // The settings file keeps the further outputs separated by commas.
        FieldRow{"FurtherOutputWithAComma", "txt_Endpoints", "file:%T/a,b.nmea",
                 "Further outputs, line 1: \"file:%T/a,b.nmea\" cannot be kept: a comma separates the outputs in the "
                 "settings file."}),
    [](const ::testing::TestParamInfo<FieldRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelora
