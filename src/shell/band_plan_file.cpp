#include "band_plan_file.h"

#include "regular_file.h"

namespace vexalo {

namespace {

// Far more than the bands of three regions with comments.
constexpr std::uintmax_t kMaxBandPlanBytes = 64 * 1024;

} // namespace

std::vector<std::filesystem::path> bandPlanPlaces(const std::filesystem::path &programFolder)
{
    return { kBandPlanFileName, programFolder / ".." / "share" / "vexalo" / kBandPlanFileName,
             programFolder / kBandPlanFileName };
}

BandPlan readBandPlan(const std::vector<std::filesystem::path> &places)
{
    for (const std::filesystem::path &place : places) {
        RegularFile file(place, kMaxBandPlanBytes);
        if (file.outcome() == RegularFile::Outcome::Missing) {
            continue;
        }
        const std::string name = place.lexically_normal().generic_string();
        const std::optional<std::string> text = file.readAll();
        if (!text) {
            BandPlan none;
            none.problems.push_back(
                name + " cannot be read (not a readable regular file of at most 64 KiB)");
            return none;
        }
        BandPlan plan = parseBandPlan(*text);
        for (std::string &problem : plan.problems) {
            problem.insert(0, name + " ");
        }
        return plan;
    }
    BandPlan none;
    std::string looked;
    for (const std::filesystem::path &place : places) {
        looked += (looked.empty() ? "" : ", ") + place.lexically_normal().generic_string();
    }
    none.problems.push_back(std::string(kBandPlanFileName) + " not found (looked for " + looked
                            + ")");
    return none;
}

} // namespace vexalo
