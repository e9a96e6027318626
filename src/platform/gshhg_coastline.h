#pragma once

#include <memory>
#include <string>

#include "chart/coastline_source.h"

namespace pelora {

// Where Debian's gmt-gshhg-low package puts GMT's binned GSHHG coastlines.
inline constexpr const char* kGshhgFolder = "/usr/share/gmt-gshhg";

// The coastline source over the binned GSHHG files, or why there is none.
struct CoastlineOpening {
    std::unique_ptr<CoastlineSource> source;
    std::string error;  // names the file and the reason when `source` is empty
};

// Opens the binned GSHHG shorelines in `folder` (GMT's netCDF files binned_GSHHS_<c|l|i>.nc).
// The low resolution file (l) must be there and readable; the crude (c) one is used for views
// of a large part of the world and the intermediate (i) one close in, each where present and
// readable (read when first needed; one that turns out unreadable is left aside for l).
// Shores and lakes are drawn (not islands in lakes nor ponds), Antarctica along its ice front as
// GMT draws it by default; rings too small to see at the resolution are left out.
CoastlineOpening openGshhgCoastline(const std::string& folder = kGshhgFolder);

}  // namespace pelora
