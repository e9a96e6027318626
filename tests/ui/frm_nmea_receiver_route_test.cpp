// The window's part of the receiver, routes, scenarios, GPX and AIS targets, driven through its
// menus and dialogs over fakes: what each changes in the simulation, what goes out on the next
// tick, and what the operator is shown.
#include <cmath>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "platform/disk_file_source.h"
#include "scenario/gpx.h"
#include "ui/ais_targets_dialog.h"
#include "ui/receiver_dialog.h"
#include "ui/track_view.h"
#include "relative_motion.h"
#include "window_fixture.h"

namespace pelora::testing {
namespace {

using std::chrono::milliseconds;

constexpr char kMarine[] = "Marine GPS (NMEA 2.3)";

// Works the next modal dialog of type `Dialog` once it is up; `work` must close it.
template <typename Dialog>
void workNextDialog(std::function<void(Dialog&)> work) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, work] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        poll->stop();
        poll->deleteLater();
        work(*dialog);
    });
    poll->start(10);
}

template <typename Widget>
Widget* in(QWidget& dialog, const char* name) {
    auto* found = dialog.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void clickOk(QWidget& dialog) {
    in<QDialogButtonBox>(dialog, "buttons")->button(QDialogButtonBox::Ok)->click();
}

class ReceiverAndRoutes : public WindowTest {
protected:
    void tick() {
        clock.advance(milliseconds(1000));
        window->Timer1_Timer();
    }
    std::vector<std::string> sent() const {
        return {window->voyage().fixes().begin(), window->voyage().fixes().end()};
    }
    // The lines of the last tick: those sent after `before` lines.
    std::vector<std::string> sentSince(std::size_t before) const {
        const std::vector<std::string> all = sent();
        return {all.begin() + static_cast<std::ptrdiff_t>(before), all.end()};
    }
    std::string path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }
    void write(const char* name, const char* text) const {
        QFile file(QString::fromStdString(path(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    std::string playing() const { return child<QLabel>("LabPlaying")->text().toStdString(); }
    QString statusTip() const { return child<QLabel>("LAB_NMEA")->toolTip(); }
    void chooseMarine() {
        ReceiverChoices marine;
        marine.profile = kMarine;
        ASSERT_FALSE(simulation.changeReceiver(marine));
    }

    QTemporaryDir dir;
};

TEST_F(ReceiverAndRoutes, TheSentencesDialogAppliesAndSavesAProfileAndTheNextTickSendsItsBurst) {
    workNextDialog<ReceiverDialog>([](ReceiverDialog& dialog) {
        EXPECT_EQ(in<QLabel>(dialog, "budget")->text(), "No serial line runs: every sentence goes out.");
        in<QComboBox>(dialog, "profile")->setCurrentText(kMarine);
        EXPECT_EQ(in<QListWidget>(dialog, "sentences")->count(), 7);
        EXPECT_FALSE(in<QPushButton>(dialog, "addSentence")->isEnabled());  // the list is Custom's to make
        in<QLineEdit>(dialog, "mask")->setText("10");
        clickOk(dialog);
    });
    window->mnuSentences_Click();
    EXPECT_EQ(settings.entry("pelora", "Receiver", "Profile"), std::optional<std::string>(kMarine));
    EXPECT_EQ(settings.entry("pelora", "Receiver", "Mask"), std::optional<std::string>("10"));

    window->CMD_GO_Click(0);
    tick();
    const std::size_t before = sent().size();
    tick();
    std::vector<std::string> types;
    for (const std::string& line : sentSince(before)) {
        const std::string type = line.substr(0, 6);
        if (types.empty() || types.back() != type) types.push_back(type);
    }
    EXPECT_EQ(types, (std::vector<std::string>{"$GPRMC", "$GPVTG", "$GPGGA", "$GPGSA", "$GPGSV", "$GPGLL", "$GPZDA"}));
    EXPECT_TRUE(statusTip().contains(QStringLiteral("3D fix, "))) << statusTip().toStdString();
}

TEST_F(ReceiverAndRoutes, CustomListsAreMadeAndOrderedInTheDialog) {
    workNextDialog<ReceiverDialog>([](ReceiverDialog& dialog) {
        in<QComboBox>(dialog, "profile")->setCurrentText(kMarine);
        in<QComboBox>(dialog, "profile")->setCurrentText("Custom");  // starts from the marine list
        auto* list = in<QListWidget>(dialog, "sentences");
        list->setCurrentRow(6);                                       // ZDA, the last
        in<QPushButton>(dialog, "sentenceUp")->click();
        list->setCurrentRow(0);
        in<QPushButton>(dialog, "removeSentence")->click();           // RMC goes
        in<QComboBox>(dialog, "sentenceType")->setCurrentText("HDT");
        in<QPushButton>(dialog, "addSentence")->click();
        clickOk(dialog);
    });
    window->mnuSentences_Click();
    EXPECT_EQ(settings.entry("pelora", "Receiver", "Sentences"),
              std::optional<std::string>("VTG,GGA,GSA,GSV,ZDA,GLL,HDT"));
}

TEST_F(ReceiverAndRoutes, NoFixTakesTheFixAwayAndAFailureToSaveIsShown) {
    chooseMarine();
    window->CMD_GO_Click(0);
    tick();
    settings.failWrites(Failure{{}, "No space left on device", 28});
    child<QAction>("mnuNoFix")->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "The receiver's choices could not be saved to memory: No space left on device.");
    EXPECT_TRUE(child<QAction>("mnuNoFix")->isChecked());

    const std::size_t before = sent().size();
    tick();
    const std::string rmc = sentSince(before).front();
    ASSERT_EQ(rmc.substr(0, 6), "$GPRMC");
    EXPECT_EQ(rmc.substr(rmc.find(',', 7), 3), ",V,") << rmc;
    EXPECT_TRUE(statusTip().contains(QStringLiteral("No fix, 0 satellites used"))) << statusTip().toStdString();

    child<QAction>("mnuNoFix")->trigger();  // the fix comes back
    const std::size_t again = sent().size();
    tick();
    const std::string back = sentSince(again).front();
    EXPECT_EQ(back.substr(back.find(',', 7), 3), ",A,") << back;
}

TEST_F(ReceiverAndRoutes, FollowRouteSteersAlongTheRouteAndEndVoyageStopsIt) {
    write("bad.gpx", "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                     "<rte><rtept lat=\"95\" lon=\"1\"/></rte></gpx>\n");
    fileDialogs.openNames.push_back(path("bad.gpx"));
    child<QAction>("mnuFollowRoute")->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind(path("bad.gpx") + ":3: ", 0), 0u) << errors[0];
    EXPECT_EQ(window->cycle().route(), nullptr);
    EXPECT_EQ(fileDialogs.kinds, std::vector<FileKind>{FileKind::Gpx});

    // East 0.3 NM, then north 0.3 NM, from the start at 54N 1E.
    write("leg.gpx", "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
                     "<rte><name>Test leg</name>\n<rtept lat=\"54.0\" lon=\"1.0085\"><name>East</name></rtept>\n"
                     "<rtept lat=\"54.005\" lon=\"1.0085\"><name>North</name></rtept></rte></gpx>\n");
    fileDialogs.openNames.push_back(path("leg.gpx"));
    child<QAction>("mnuFollowRoute")->trigger();
    ASSERT_NE(window->cycle().route(), nullptr);
    EXPECT_EQ(playing(), "Route Test leg: leg 1 of 2");
    child<QLineEdit>("txt_SPEED")->setText("20");
    window->CMD_GO_Click(0);
    tick();
    tick();
    EXPECT_EQ(playing().substr(0, 34), "Route Test leg: leg 1 of 2 to East");
    double closestToEast = 1;
    for (int second = 0; second < 400 && !window->cycle().route()->state().finished; ++second) {
        tick();
        const double eastNm = std::hypot((window->ship().Ship_Lat - 54.0) * 60,
                                         (window->ship().Ship_Lon - 1.0085) * 60 * std::cos(54.0 * M_PI / 180));
        closestToEast = std::min(closestToEast, eastNm);
    }
    ASSERT_TRUE(window->cycle().route()->state().finished);
    EXPECT_LT(closestToEast, 0.1);  // it passed through the first waypoint's arrival circle
    EXPECT_NEAR(window->ship().Ship_Lat, 54.005, 0.1 / 60);
    EXPECT_NEAR(window->ship().Ship_Lon, 1.0085, 0.1 / 60 / std::cos(54.0 * M_PI / 180));
    EXPECT_EQ(playing(), "Route Test leg: arrived");

    child<QAction>("mnuNew")->trigger();
    EXPECT_FALSE(window->Running());
    EXPECT_EQ(window->cycle().route(), nullptr);
    EXPECT_EQ(playing(), "");
}

TEST_F(ReceiverAndRoutes, RunScenarioRefusesABadFileNamingItsLinesAndPlaysAGoodOneToItsEnd) {
    write("bad.toml", "[start]\nspeed = 6\nsped = 7\n\n[[event]]\nat = 3\nspeed = \"fast\"\n");
    fileDialogs.openNames.push_back(path("bad.toml"));
    child<QAction>("mnuRunScenario")->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(path("bad.toml") + ":3: "), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find(path("bad.toml") + ":7: "), std::string::npos) << errors[0];
    EXPECT_EQ(errors[0].substr(errors[0].size() - 25), "The scenario was not run.");
    EXPECT_FALSE(window->scenarioPlaying());
    EXPECT_FALSE(window->Running());

    // The ship has run a while: the scenario's time still counts from its own start.
    window->CMD_GO_Click(0);
    for (int i = 0; i < 5; ++i) tick();
    write("harbour.toml", "[start]\nlatitude = \"54N10.0000\"\nlongitude = \"0001W00.0000\"\n"
                          "time = 2026-06-01T08:00:00Z\nspeed = 5\ncourse = 90\nprofile = \"Marine GPS (NMEA 2.3)\"\n"
                          "[[event]]\nat = 1\nfault = \"duplicate\"\nduration = 2\n"
                          "[[event]]\nat = 3\nspeed = 12\n[[event]]\nat = 6\nend = true\n");
    ASSERT_TRUE(window->runScenarioFile(path("harbour.toml")));
    EXPECT_TRUE(window->Running());
    EXPECT_EQ(child<QLineEdit>("txt_lat")->text().toStdString(), "54N10.00000");
    EXPECT_EQ(child<QLineEdit>("txt_SPEED")->text(), "5");
    const std::size_t before = sent().size();
    tick();
    EXPECT_DOUBLE_EQ(window->ship().Ship_Lat, 54.0 + 10.0 / 60);
    const std::string rmc = sentSince(before).front();
    EXPECT_NE(rmc.find(",010626,"), std::string::npos) << rmc;
    tick();
    tick();
    EXPECT_EQ(child<QLineEdit>("txt_SPEED")->text(), "5");
    EXPECT_TRUE(statusTip().contains(QStringLiteral("Faults injected: duplicate: "))) << statusTip().toStdString();
    tick();
    EXPECT_EQ(child<QLineEdit>("txt_SPEED")->text(), "12");
    EXPECT_EQ(playing(), "Scenario harbour: 00:00:03 of 00:00:06");
    tick();
    tick();
    EXPECT_TRUE(window->scenarioPlaying());
    tick();
    EXPECT_FALSE(window->scenarioPlaying());
    EXPECT_FALSE(window->Running());
    EXPECT_EQ(&window->cycle().clock(), &clock);
    EXPECT_EQ(simulation.receiverChoices().profile, "Single sentence");
    EXPECT_EQ(playing(), "");
}

// The harbour example's crossing coaster: the track view shows its closest approach as relative
// motion on a flat chart puts it (a minute of latitude a mile, a minute of longitude that times
// the cosine of the mean latitude), worked out here from the positions and vectors the view has.
TEST_F(ReceiverAndRoutes, TheHarbourExamplesCrossingTargetShowsItsClosestApproach) {
    ASSERT_TRUE(window->runScenarioFile(PELORA_SOURCE_DIR "/examples/harbour_approach.toml"));
    for (int second = 0; second < 60; ++second) tick();
    child<QAction>("mnuTrack")->trigger();
    TrackView* view = window->trackView();
    ASSERT_NE(view, nullptr);
    const OwnShip ship = *view->snapshot().ship;
    ASSERT_EQ(view->snapshot().targets.size(), 1u);
    const ChartTarget& crosser = view->snapshot().targets[0];
    EXPECT_EQ(crosser.name, "CROSSER");

    const RelativeApproach approach = approachByRelativeMotion(ship, crosser);
    const std::optional<ShownCpa> shown = view->shownTargetCpa(235009876);
    ASSERT_TRUE(shown.has_value());
    EXPECT_DOUBLE_EQ(shown->cpaNm, std::round(approach.cpaNm * 100) / 100);
    ASSERT_TRUE(shown->tcpaMinutes.has_value());
    EXPECT_DOUBLE_EQ(*shown->tcpaMinutes, std::round(approach.hours * 600) / 10);
    // A minute in, the example's coaster is set to pass a tenth of a mile off six minutes later.
    EXPECT_DOUBLE_EQ(shown->cpaNm, 0.1);
    EXPECT_DOUBLE_EQ(*shown->tcpaMinutes, 6.0);
}

// The window's recording of an example scenario holds the bytes a headless run stores for it.
TEST_F(ReceiverAndRoutes, TheWindowRecordsAnExampleScenarioAsTheStoredFixture) {
    ASSERT_TRUE(window->runScenarioFile(PELORA_SOURCE_DIR "/examples/harbour_approach.toml"));
    for (int second = 0; second < 2000 && window->scenarioPlaying(); ++second) tick();
    EXPECT_FALSE(window->scenarioPlaying());
    QFile stored(QStringLiteral(PELORA_SOURCE_DIR "/tests/fixtures/harbour_approach.nmea"));
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    std::string recorded;
    for (const std::string& line : sent()) recorded += line + "\r\n";
    const std::string expected = stored.readAll().toStdString();
    ASSERT_EQ(recorded.size(), expected.size());
    EXPECT_TRUE(recorded == expected);
}

TEST_F(ReceiverAndRoutes, ExportGpxWritesTheTrackThatReadsBack) {
    child<QAction>("mnuExportGpx")->trigger();
    EXPECT_EQ(errors, std::vector<std::string>{"No track has been recorded yet: run the ship, then export its track."});
    window->CMD_GO_Click(0);
    tick();
    tick();
    tick();
    fileDialogs.saveNames.push_back(path("voyage.gpx"));
    child<QAction>("mnuExportGpx")->trigger();
    const GpxRead read = readGpxFile(path("voyage.gpx"), DiskFileSource());
    ASSERT_TRUE(read.route.has_value()) << read.error.text();
    EXPECT_EQ(read.route->name, "voyage");
    ASSERT_EQ(read.route->waypoints.size(), 3u);
    EXPECT_NEAR(read.route->waypoints[2].latitude, window->cycle().track()[2].latitude, 1e-9);
    EXPECT_NEAR(read.route->waypoints[2].longitude, window->cycle().track()[2].longitude, 1e-9);
}

TEST_F(ReceiverAndRoutes, TheAisDialogRefusesABadMmsiWithTheReasonAndPutsATargetInTheFleet) {
    std::string refused;
    workNextDialog<AisTargetsDialog>([&refused](AisTargetsDialog& dialog) {
        EXPECT_EQ(in<QLineEdit>(dialog, "latitude")->text(), "54N00.00000");  // where the ship starts
        in<QLineEdit>(dialog, "mmsi")->setText("12345");
        in<QPushButton>(dialog, "addTarget")->click();
        refused = in<QLabel>(dialog, "problem")->text().toStdString();
        EXPECT_EQ(in<QTableWidget>(dialog, "targets")->rowCount(), 0);
        in<QLineEdit>(dialog, "mmsi")->setText("235012345");
        in<QLineEdit>(dialog, "name")->setText("ARGO");
        in<QLineEdit>(dialog, "speed")->setText("8");
        in<QPushButton>(dialog, "addTarget")->click();
        EXPECT_EQ(in<QTableWidget>(dialog, "targets")->rowCount(), 1);
        clickOk(dialog);
    });
    child<QAction>("mnuAisTargets")->trigger();
    EXPECT_EQ(refused, "MMSI 12345: must have nine digits (100000000 to 999999999)");
    ASSERT_EQ(window->cycle().fleet().size(), 1u);
    EXPECT_EQ(window->cycle().fleet().target(0).mmsi, 235012345u);
    EXPECT_EQ(window->cycle().fleet().target(0).name, "ARGO");
    EXPECT_DOUBLE_EQ(window->cycle().fleet().target(0).speedKnots, 8);

    child<QAction>("mnuOwnShipAis")->trigger();
    window->CMD_GO_Click(0);
    tick();
    const std::vector<std::string> lines = sent();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) { return line.rfind("!AIVDO,", 0) == 0; }));
}

TEST_F(ReceiverAndRoutes, TheTrackViewFollowsAndSavesTheRouteBuiltOnIt) {
    window->CMD_GO_Click(0);
    tick();
    tick();
    child<QAction>("mnuTrack")->trigger();
    TrackView* view = window->trackView();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->trackSize(TrackKind::Sent), 2u);
    tick();
    EXPECT_EQ(view->trackSize(TrackKind::Sent), 3u);
    EXPECT_EQ(view->snapshot().ship->position,
              (GeoPoint{window->cycle().lastFix().latitude, window->cycle().lastFix().longitude}));

    const std::vector<RouteWaypoint> built{{"WP1", {54.01, 1.0}}, {"WP2", {54.02, 1.01}}};
    fileDialogs.saveNames.push_back(path("drawn.gpx"));
    emit view->saveRouteRequested(built);
    const GpxRead saved = readGpxFile(path("drawn.gpx"), DiskFileSource());
    ASSERT_TRUE(saved.route.has_value()) << saved.error.text();
    ASSERT_EQ(saved.route->waypoints.size(), 2u);
    EXPECT_EQ(saved.route->waypoints[1].name, "WP2");
    EXPECT_DOUBLE_EQ(saved.route->waypoints[1].longitude, 1.01);

    emit view->followRouteRequested(built);
    ASSERT_NE(window->cycle().route(), nullptr);
    EXPECT_EQ(window->cycle().route()->route().waypoints.size(), 2u);
    ASSERT_TRUE(view->snapshot().route.has_value());
    EXPECT_EQ(view->snapshot().route->name, "Route drawn on the chart");
}

}  // namespace
}  // namespace pelora::testing
