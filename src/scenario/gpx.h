#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "scenario/file_source.h"
#include "scenario/route.h"
#include "scenario/source_error.h"
#include "sim/date_time.h"

namespace pelora {

// The largest GPX file read: 64 MiB, two days of a track recorded once a second as trackGpx
// writes it (some 325 bytes a point), far beyond any route.
inline constexpr std::size_t kMaxGpxBytes = 64U * 1024U * 1024U;

// A route read from GPX, or what is wrong with the file.
struct GpxRead {
    std::optional<Route> route;
    SourceError error;  // set when there is no route
};

// Reads the route of a GPX file (1.0 or 1.1): its first route (`rte`/`rtept`) or, without one,
// its first track (`trk`, every `trkseg`'s `trkpt` in order, followed as a route). The route's
// name is the route's or track's `name`, else the file's `metadata` name, else `fallbackName`;
// each point keeps its `name` (or none). An error names the line and what is wrong: not XML,
// not GPX, no points, a point without lat or lon, a latitude or longitude out of range, more
// than kMaxGpxBytes. `fileName` is used in the errors only.
GpxRead parseGpx(std::string_view text, const std::string& fileName, const std::string& fallbackName);

// parseGpx on the file at `path` read through `files`; an unreadable or too large file is an
// error too. The fallback name is the file name without its folder and extension.
GpxRead readGpxFile(const std::string& path, const FileSource& files);

// One recorded fix of a track.
struct TrackFix {
    double latitude = 0;       // signed decimal degrees
    double longitude = 0;
    DateTime utc;              // must be valid (isValidDateTime)
    double speedKnots = 0;     // over ground
    double courseDegrees = 0;  // over ground, true
};

// A GPX 1.1 document holding `route` as one `rte` (for the route built by clicking). Positions
// are written to 9 decimal places (a tenth of a millimetre); a longitude of 180 as -180, as GPX
// 1.1 wants.
std::string routeGpx(const Route& route);

// A GPX 1.1 document holding the fixes as one track of one segment, each point with its time
// and, in its extensions, speed (metres per second) and course (degrees) as Garmin's
// TrackPointExtension v2 writes them (`gpxtpx:speed`, `gpxtpx:course`).
std::string trackGpx(const std::string& name, std::span<const TrackFix> fixes);

}  // namespace pelora
