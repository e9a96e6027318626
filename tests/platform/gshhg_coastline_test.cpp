// GMT's binned GSHHG shorelines as Debian's gmt-gshhg-low installs them.
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <string>

#include "platform/gshhg_coastline.h"

#include <gtest/gtest.h>

namespace pelora {
namespace {

std::string installedLowFile() { return std::string(kGshhgFolder) + "/binned_GSHHS_l.nc"; }

// The nearest coast point to `place` among the lines of a box around it, in degrees.
double nearestCoast(CoastlineSource& source, GeoPoint place, double resolution) {
    double nearest = 1e9;
    const GeoBox box{place.lat - 1, place.lon - 1, place.lat + 1, place.lon + 1};
    for (const CoastLine& line : source.linesIn(box, resolution)) {
        for (const GeoPoint& point : line.points) {
            nearest = std::min(nearest, std::hypot(point.lat - place.lat, point.lon - place.lon));
        }
    }
    return nearest;
}

TEST(GshhgCoastline, CoastsLieWhereTheLandIsAndTheOpenSeaHasNone) {
    if (!QFile::exists(QString::fromStdString(installedLowFile()))) GTEST_SKIP() << "gmt-gshhg-low is not installed";
    CoastlineOpening opening = openGshhgCoastline();
    ASSERT_TRUE(opening.source) << opening.error;
    // Dover's cliffs, Cape Town's shore, the west coast of Fiji's Viti Levu (at 177.4°E, asked
    // for from a box that runs across 180 as west -183).
    EXPECT_LT(nearestCoast(*opening.source, {51.13, 1.35}, 0.01), 0.05);
    EXPECT_LT(nearestCoast(*opening.source, {-33.9, 18.4}, 0.01), 0.1);
    EXPECT_LT(nearestCoast(*opening.source, {-17.8, 177.4 - 360}, 0.01), 0.1);
    EXPECT_TRUE(opening.source->linesIn({44, -36, 46, -34}, 0.01).empty());
    // The whole world from the crude file, as a view of the world asks for it.
    EXPECT_FALSE(opening.source->linesIn({-85, -180, 85, 180}, 0.5).empty());
}

TEST(GshhgCoastline, AMissingOrDamagedFileIsAnErrorNamingIt) {
    QTemporaryDir folder;
    const std::string path = folder.path().toStdString() + "/binned_GSHHS_l.nc";
    CoastlineOpening missing = openGshhgCoastline(folder.path().toStdString());
    EXPECT_FALSE(missing.source);
    EXPECT_NE(missing.error.find(path), std::string::npos) << missing.error;

    QFile damaged(QString::fromStdString(path));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    if (QFile::exists(QString::fromStdString(installedLowFile()))) {
        QFile whole(QString::fromStdString(installedLowFile()));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        damaged.write(whole.read(whole.size() / 2));  // cut off halfway through the points
    } else {
        damaged.write("CDF\x01 not really netCDF");
    }
    damaged.close();
    CoastlineOpening opening = openGshhgCoastline(folder.path().toStdString());
    EXPECT_FALSE(opening.source);
    EXPECT_NE(opening.error.find(path), std::string::npos) << opening.error;
}

}  // namespace
}  // namespace pelora
