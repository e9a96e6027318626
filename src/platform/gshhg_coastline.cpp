#include "platform/gshhg_coastline.h"

#include <netcdf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace pelora {

namespace {

// GMT's binned layout: the world is cut into square bins, numbered row by row from the north
// west corner. Each bin lists its segments of shore; each segment's points are offsets from the
// bin's south west corner in 1/65535 of the bin's side. A segment's information word holds its
// point count (bits 9 and up), its level (bits 6-8: 1 land, 2 lake, 3 island in a lake, 4 pond,
// 6 Antarctica's grounding line, drawn instead of its ice front only on request) and the sides
// of the bin it enters and leaves by (bits 3-5 and 0-2; 4 for a ring closed inside the bin).
constexpr int kPointCountShift = 9;
constexpr int kLevelShift = 6;
constexpr int kEntryShift = 3;
constexpr int kThreeBits = 7;
constexpr int kClosedInsideBin = 4;
// Shores and lakes are drawn; islands in lakes, ponds on them and Antarctica's grounding line
// are not.
constexpr int kLakeLevel = 2;
// A ring smaller than this many times the resolution would draw as a dot or a dash.
constexpr double kSmallestRingInResolutions = 2;
constexpr double kOffsetSteps = 65535;
constexpr int kMinutesPerTurn = 360 * 60;
constexpr double kMinutesPerDegreeOfBin = 60;
constexpr double kNorthPole = 90;
constexpr double kTurnDegrees = 360;

// Views coarser than this many degrees to the pixel draw the crude coast, finer than the next
// the intermediate one.
constexpr double kCrudeDegreesPerPixel = 0.05;
constexpr double kIntermediateDegreesPerPixel = 0.005;

enum Resolution { kCrude, kLow, kIntermediate, kResolutions };
constexpr std::array<const char*, kResolutions> kFileNames{"binned_GSHHS_c.nc", "binned_GSHHS_l.nc",
                                                           "binned_GSHHS_i.nc"};

// One binned file, read whole: the low resolution file is about half a megabyte.
struct BinnedShore {
    double binDegrees = 0;
    int binsAcross = 0;
    int binsDown = 0;
    std::vector<int> firstSegment;    // per bin
    std::vector<short> segmentCount;  // per bin
    std::vector<int> segmentInfo;     // per segment
    std::vector<int> firstPoint;      // per segment
    std::vector<short> dx;            // per point, read as unsigned
    std::vector<short> dy;
};

// The netCDF file open for reading, closed when done; the first error met, in words.
class NetcdfReader {
public:
    explicit NetcdfReader(const std::string& path) : m_path(path) {
        check(nc_open(path.c_str(), NC_NOWRITE, &m_id), "open");
        m_open = m_error.empty();
    }
    ~NetcdfReader() {
        if (m_open) nc_close(m_id);
    }
    NetcdfReader(const NetcdfReader&) = delete;
    NetcdfReader& operator=(const NetcdfReader&) = delete;

    const std::string& error() const { return m_error; }
    void fail(const std::string& reason) {
        if (m_error.empty()) m_error = m_path + ": " + reason;
    }

    int scalar(const char* name) {
        std::vector<int> values;
        read(name, values);
        if (values.size() != 1) fail(std::string(name) + " is not a single number");
        return values.empty() ? 0 : values.front();
    }

    template <typename T>
    void read(const char* name, std::vector<T>& values) {
        if (!m_error.empty()) return;
        int var = 0;
        int dims = 0;
        if (!check(nc_inq_varid(m_id, name, &var), name) || !check(nc_inq_varndims(m_id, var, &dims), name)) return;
        if (dims != 1) {
            fail(std::string(name) + " is not a list");
            return;
        }
        int dim = 0;
        std::size_t length = 0;
        if (!check(nc_inq_vardimid(m_id, var, &dim), name) || !check(nc_inq_dimlen(m_id, dim, &length), name)) return;
        values.resize(length);
        if (length == 0) return;
        if constexpr (std::is_same_v<T, int>) check(nc_get_var_int(m_id, var, values.data()), name);
        else check(nc_get_var_short(m_id, var, values.data()), name);
    }

private:
    bool check(int status, const char* what) {
        if (status != NC_NOERR) fail(std::string(what) + ": " + nc_strerror(status));
        return status == NC_NOERR;
    }

    std::string m_path;
    std::string m_error;
    int m_id = 0;
    bool m_open = false;
};

// Reads and checks a whole binned file: every index stays within its list, so a damaged file
// gives an error rather than a read out of bounds.
std::optional<BinnedShore> readBinnedShore(const std::string& path, std::string& error) {
    NetcdfReader file(path);
    BinnedShore shore;
    const int binMinutes = file.scalar("Bin_size_in_minutes");
    shore.binsAcross = file.scalar("N_bins_in_360_longitude_range");
    shore.binsDown = file.scalar("N_bins_in_180_degree_latitude_range");
    file.read("Id_of_first_segment_in_a_bin", shore.firstSegment);
    file.read("N_segments_in_a_bin", shore.segmentCount);
    file.read("Embedded_npts_levels_exit_entry_for_a_segment", shore.segmentInfo);
    file.read("Id_of_first_point_in_a_segment", shore.firstPoint);
    file.read("Relative_longitude_from_SW_corner_of_bin", shore.dx);
    file.read("Relative_latitude_from_SW_corner_of_bin", shore.dy);
    if (file.error().empty()) {
        const std::size_t bins = shore.firstSegment.size();
        if (binMinutes <= 0 || shore.binsAcross <= 0 || shore.binsDown <= 0 ||
            static_cast<long long>(binMinutes) * shore.binsAcross != kMinutesPerTurn ||
            static_cast<long long>(shore.binsAcross) * shore.binsDown != static_cast<long long>(bins) ||
            shore.segmentCount.size() != bins) {
            file.fail("the bins do not cover the world");
        }
        if (shore.firstPoint.size() != shore.segmentInfo.size() || shore.dx.size() != shore.dy.size()) {
            file.fail("the segment or point lists differ in length");
        }
    }
    if (file.error().empty()) {
        for (std::size_t b = 0; b < shore.firstSegment.size(); ++b) {
            const long long first = shore.firstSegment[b];
            if (shore.segmentCount[b] < 0 || first < 0 ||
                first + shore.segmentCount[b] > static_cast<long long>(shore.segmentInfo.size())) {
                file.fail("bin " + std::to_string(b) + " lists segments beyond the file's");
                break;
            }
        }
        for (std::size_t s = 0; s < shore.segmentInfo.size(); ++s) {
            const long long first = shore.firstPoint[s];
            const long long count = static_cast<unsigned>(shore.segmentInfo[s]) >> kPointCountShift;
            if (first < 0 || first + count > static_cast<long long>(shore.dx.size())) {
                file.fail("segment " + std::to_string(s) + " lists points beyond the file's");
                break;
            }
        }
    }
    if (!file.error().empty()) {
        error = file.error();
        return std::nullopt;
    }
    shore.binDegrees = binMinutes / kMinutesPerDegreeOfBin;
    return shore;
}

bool smallerThan(const CoastLine& line, double degrees) {
    const auto [south, north] = std::minmax_element(line.points.begin(), line.points.end(),
                                                    [](GeoPoint a, GeoPoint b) { return a.lat < b.lat; });
    const auto [west, east] = std::minmax_element(line.points.begin(), line.points.end(),
                                                  [](GeoPoint a, GeoPoint b) { return a.lon < b.lon; });
    return north->lat - south->lat < degrees && east->lon - west->lon < degrees;
}

class GshhgCoastline final : public CoastlineSource {
public:
    GshhgCoastline(std::string folder, BinnedShore low) : m_folder(std::move(folder)) {
        m_shores[kLow] = std::move(low);
        m_tried[kLow] = true;
    }

    std::vector<CoastLine> linesIn(const GeoBox& box, double resolutionDegrees) override {
        const BinnedShore& shore = shoreFor(resolutionDegrees);
        std::vector<CoastLine> lines;
        const double side = shore.binDegrees;
        const double step = side / kOffsetSteps;
        const int firstRow = std::clamp(static_cast<int>(std::floor((kNorthPole - box.north) / side)), 0, shore.binsDown - 1);
        const int lastRow = std::clamp(static_cast<int>(std::floor((kNorthPole - box.south) / side)), 0, shore.binsDown - 1);
        const double east = std::min(box.east, box.west + kTurnDegrees);
        const long long firstColumn = static_cast<long long>(std::floor(box.west / side));
        const long long lastColumn =
            std::min(static_cast<long long>(std::floor(east / side)), firstColumn + shore.binsAcross - 1);
        for (int row = firstRow; row <= lastRow; ++row) {
            const double south = kNorthPole - (row + 1) * side;
            for (long long column = firstColumn; column <= lastColumn; ++column) {
                const long long folded = ((column % shore.binsAcross) + shore.binsAcross) % shore.binsAcross;
                const std::size_t bin = static_cast<std::size_t>(row) * shore.binsAcross + folded;
                const double west = column * side;
                const int first = shore.firstSegment[bin];
                for (int s = first; s < first + shore.segmentCount[bin]; ++s) {
                    const unsigned info = static_cast<unsigned>(shore.segmentInfo[s]);
                    if (((info >> kLevelShift) & kThreeBits) > kLakeLevel) continue;
                    CoastLine line;
                    line.closed = ((info >> kEntryShift) & kThreeBits) == kClosedInsideBin;
                    const std::size_t count = info >> kPointCountShift;
                    const std::size_t start = shore.firstPoint[s];
                    line.points.reserve(count);
                    for (std::size_t p = start; p < start + count; ++p) {
                        const GeoPoint point{south + static_cast<std::uint16_t>(shore.dy[p]) * step,
                                             west + static_cast<std::uint16_t>(shore.dx[p]) * step};
                        if (!line.points.empty() && p + 1 < start + count &&
                            std::fabs(point.lat - line.points.back().lat) < resolutionDegrees &&
                            std::fabs(point.lon - line.points.back().lon) < resolutionDegrees) {
                            continue;
                        }
                        line.points.push_back(point);
                    }
                    if (line.points.size() >= 2 && !(line.closed && smallerThan(line, kSmallestRingInResolutions * resolutionDegrees))) {
                        lines.push_back(std::move(line));
                    }
                }
            }
        }
        return lines;
    }

private:
    const BinnedShore& shoreFor(double resolutionDegrees) {
        Resolution wanted = kLow;
        if (resolutionDegrees > kCrudeDegreesPerPixel) wanted = kCrude;
        else if (resolutionDegrees < kIntermediateDegreesPerPixel) wanted = kIntermediate;
        if (!m_tried[wanted]) {
            m_tried[wanted] = true;
            std::string ignored;
            m_shores[wanted] = readBinnedShore(m_folder + "/" + kFileNames[wanted], ignored);
        }
        return m_shores[wanted] ? *m_shores[wanted] : *m_shores[kLow];
    }

    std::string m_folder;
    std::array<std::optional<BinnedShore>, kResolutions> m_shores;
    std::array<bool, kResolutions> m_tried{};
};

}  // namespace

CoastlineOpening openGshhgCoastline(const std::string& folder) {
    CoastlineOpening opening;
    std::optional<BinnedShore> low = readBinnedShore(folder + "/" + kFileNames[kLow], opening.error);
    if (low) opening.source = std::make_unique<GshhgCoastline>(folder, std::move(*low));
    return opening;
}

}  // namespace pelora
