// The band edges: the table of bands as read from its text, and what crossing an edge says,
// from the state the replies before and the reply itself leave.
#include "band_edges.h"
#include "interpreter.h"
#include "status_report.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace vexalo::testing {
namespace {

const Clips kLeft = { "cue_band_left", "out_of_band" };
const Clips k20m = { "cue_band_entered", "20", "metres" };
const Clips k40m = { "cue_band_entered", "40", "metres" };
const Clips k160m = { "cue_band_entered", "1", "60", "metres" };
const Clips k70cm = { "cue_band_entered", "70", "centimetres" };

TEST(BandEdge, CrossingAnEdgeOfTheWatchedFrequencyIsSaidOnce)
{
    const BandPlan plan = parseBandPlan("1 160m 1810 2000\n1 40m 7000 7200\n1 20m 14000 14350\n"
                                        "1 70cm 430000 440000\n2 40m 7000 7300\n");
    const std::string split = "FB00014100000;";
    const struct {
        const char *name;
        int region;
        std::vector<std::string> before; // unasked replies that set the scene
        std::string reply;
        Clips heard;
    } cases[] = {
        { "leaving below", 1, { "FA00014000000;" }, "FA00013999990;", kLeft },
        { "the lower edge is in", 1, { "FA00013999990;" }, "FA00014000000;", k20m },
        { "the upper edge is in", 1, { "FA00014349990;" }, "FA00014350000;", {} },
        { "leaving above", 1, { "FA00014350000;" }, "FA00014350010;", kLeft },
        { "band to band", 1, { "FA00014025000;" }, "FA00007040000;", k40m },
        { "160 m", 1, { "FA00002100000;" }, "FA00001850000;", k160m },
        { "above 100 MHz", 1, { "FA00145000000;" }, "FA00435000000;", k70cm },
        { "the region's own edges", 2, { "FA00007150000;" }, "FA00007250000;", {} },
        { "no region", 0, { "FA00014025000;" }, "FA00013000000;", {} },
        { "unknown before, in a band", 1, {}, "FA00014025000;", {} },
        { "unknown before, outside", 1, {}, "FA00013000000;", kLeft },
        { "split on, transmitting unknown", 1, { "FA00014025000;" }, "FT1;", {} },
        { "the other VFO", 1, { "FA00014025000;" }, "FB00013000000;", {} },
        { "from the status report", 1, { statusReport() }, "FA00013990000;", kLeft },
        { "split: transmitting", 1, { "FA00014025000;", split, "FT1;" }, "FB00013900000;", kLeft },
        { "split: not receiving", 1, { "FA00014025000;", split, "FT1;" }, "FA00013900000;", {} },
        { "split off", 1, { "FA00014025000;", "FB00013900000;", "FT1;" }, "FT0;", k20m },
    };
    for (const auto &c : cases) {
        BandEdges edges(plan);
        edges.setRegion(c.region);
        RadioState before;
        for (const std::string &reply : c.before) {
            before = interpret(before, reply, {}).state;
        }
        const RadioState after = interpret(before, c.reply, {}).state;
        EXPECT_EQ(bandEdge(edges.bands(), before, after).clips(), c.heard) << c.name;
    }
}

TEST(BandPlan, BadLinesAreNamedAndLeftOutTheRestIsRead)
{
    const BandPlan plan = parseBandPlan("# comment\r\n\n"
                                        "1 20m 14000\n4 20m 14000 14350\n1 20 14000 14350\n"
                                        "1 20m 14000,5 14350\n1 20m 14350 14000\n" // 3 to 7
                                        "1\t20m\t14000\t14350\r\n1 60m 5351.5 5366.5\n"
                                        "1 21m 14300 14400\n" // 10: overlaps 20m
                                        "3 2m 144000 148000");
    std::string lines;
    for (const std::string &problem : plan.problems) {
        lines += problem.substr(0, problem.find(':')) + ";";
    }
    EXPECT_EQ(lines, "line 3;line 4;line 5;line 6;line 7;line 10;");
    ASSERT_EQ(plan.regions[0].size(), 2u);
    EXPECT_EQ(plan.regions[0][1].lowerHz, 5'351'500);
    EXPECT_EQ(plan.regions[0][1].upperHz, 5'366'500);
    EXPECT_TRUE(plan.regions[1].empty());
    EXPECT_EQ(plan.regions[2].at(0).clips, (Clips { "2", "metres" }));
}

TEST(BandPlan, TheInstalledTableReadsWhole)
{
    std::ifstream file(BAND_PLAN_FILE);
    std::stringstream text;
    text << file.rdbuf();
    const BandPlan plan = parseBandPlan(text.str());
    EXPECT_EQ(plan.problems, std::vector<std::string> {});
    for (const std::vector<Band> &bands : plan.regions) {
        EXPECT_EQ(bands.size(), 13u) << "160 m to 70 cm";
    }
}

} // namespace
} // namespace vexalo::testing
