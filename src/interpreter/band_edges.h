// The amateur bands' edges by ITU region, read from a table the operator can read, and what a
// change of frequency that crosses one earns: leaving a band, a falling two-tone and "out of
// band"; entering one, a rising two-tone and the band's name. Pure: the table comes as text, the
// frequencies from the state the interpreter recorded before and after a reply.
#pragma once

#include "announcement.h"
#include "radio_state.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexalo {

struct Band {
    std::string name; // as the table writes it: "20m", "70cm"
    Clips clips; // how it is said: "20", "metres"
    long long lowerHz = 0; // both edges belong to the band
    long long upperHz = 0;
};

inline constexpr int kRegions = 3;

struct BandPlan {
    std::array<std::vector<Band>, kRegions> regions; // region 1 first
    std::vector<std::string> problems; // "line 7: ...", one for each line left out
};

// Lines "region band lower upper", separated by tabs or spaces, the edges in kilohertz with
// up to three decimals ("5351.5"); blank lines and lines starting with '#' are skipped. A line
// that cannot be read, or overlaps a band of its region, is left out and named in `problems`.
BandPlan parseBandPlan(std::string_view text);

// The frequency a band edge is about: in split the transmitting VFO's, otherwise the receiving
// one's; nothing while that VFO's frequency is not known.
std::optional<long long> watchedFrequency(const RadioState &state);

// What crossing from the watched frequency of `before` to that of `after` says, over the bands
// of the region chosen (none: no region): nothing when both lie in the same band or outside
// every band, or `after`'s is unknown; one not known before counts as in a band. Said in full
// and at once, ahead of the reply's own words.
Announcement bandEdge(std::span<const Band> bands, const RadioState &before,
                      const RadioState &after);

// The band plan and the region the operator chose, for the run: the one owner of both.
class BandEdges {
public:
    explicit BandEdges(BandPlan plan = {}) : m_plan(std::move(plan)) { }

    // 1 to 3, or 0 for none; anything else counts as none.
    void setRegion(int region) { m_region = region >= 1 && region <= kRegions ? region : 0; }
    int region() const { return m_region; }
    // The chosen region's bands; none while no region is chosen.
    std::span<const Band> bands() const
    {
        return m_region == 0 ? std::span<const Band> {}
                             : std::span<const Band>(m_plan.regions.at(m_region - 1));
    }
    const BandPlan &plan() const { return m_plan; }

private:
    BandPlan m_plan;
    int m_region = 0;
};

} // namespace vexalo
