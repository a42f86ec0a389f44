// Where the band edges come from: band-edges.tsv in Vexalo's folder when the operator has put
// a copy of their own there, otherwise the one installed beside the voice, found from the
// program's own folder (../share/vexalo on Linux, the program's folder on Windows). Read as the
// other files the operator may replace (a regular file, bounded); parsed by parseBandPlan.
#pragma once

#include "band_edges.h"

#include <filesystem>
#include <vector>

namespace vexalo {

inline constexpr const char *kBandPlanFileName = "band-edges.tsv";

// The places looked in, in order, for a program in `programFolder`.
std::vector<std::filesystem::path> bandPlanPlaces(const std::filesystem::path &programFolder);

// The plan of the first place that has the file. Its problems name the file: a line left out,
// a file that cannot be read, or none found at all, which leaves no band in any region.
BandPlan readBandPlan(const std::vector<std::filesystem::path> &places);

} // namespace vexalo
