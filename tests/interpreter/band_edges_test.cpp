// The band edges: the table of bands as read from its text, and what crossing an edge says,
// from the state the replies before and the reply itself leave.
#include "band_edges.h"
#include "cues.h"
#include "interpreter.h"
#include "status_report.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace vexalo::testing {
namespace {

const std::string kPlan = "# region band lower upper\n"
                          "1\t160m\t1810\t2000\n"
                          "1\t40m\t7000\t7200\n"
                          "1\t20m\t14000\t14350\n"
                          "1\t70cm\t430000\t440000\n"
                          "2\t40m\t7000\t7300\n";

const Clips kLeft = { std::string(kBandLeft.clip), "out_of_band" };

Clips entered(Clips name)
{
    name.insert(name.begin(), std::string(kBandEntered.clip));
    return name;
}

TEST(BandEdge, CrossingAnEdgeOfTheWatchedFrequencyIsSaidOnce)
{
    const BandPlan plan = parseBandPlan(kPlan);
    ASSERT_TRUE(plan.problems.empty());
    const std::string ifOn14025 = statusReport();
    const struct {
        const char *name;
        int region;
        std::vector<std::string> before; // unasked replies that set the scene
        std::string reply;
        Clips heard;
    } cases[] = {
        { "leaving below", 1, { "FA00014000000;" }, "FA00013999990;", kLeft },
        { "the lower edge is in the band",
          1,
          { "FA00013999990;" },
          "FA00014000000;",
          entered({ "20", "metres" }) },
        { "the upper edge is in the band", 1, { "FA00014349990;" }, "FA00014350000;", {} },
        { "leaving above", 1, { "FA00014350000;" }, "FA00014350010;", kLeft },
        { "within a band", 1, { "FA00014025000;" }, "FA00014300000;", {} },
        { "outside, moving", 1, { "FA00010000000;" }, "FA00011000000;", {} },
        { "band to band", 1, { "FA00014025000;" }, "FA00007040000;", entered({ "40", "metres" }) },
        { "160 m", 1, { "FA00002100000;" }, "FA00001850000;", entered({ "1", "60", "metres" }) },
        { "above 100 MHz, whole",
          1,
          { "FA00145000000;" },
          "FA00435000000;",
          entered({ "70", "centimetres" }) },
        { "the region's own edges", 2, { "FA00007150000;" }, "FA00007250000;", {} },
        { "the same in region 1", 1, { "FA00007150000;" }, "FA00007250000;", kLeft },
        { "no region", 0, { "FA00014025000;" }, "FA00013000000;", {} },
        { "unknown before", 1, {}, "FA00013000000;", {} },
        { "the other VFO", 1, { "FA00014025000;" }, "FB00013000000;", {} },
        { "from the status report", 1, { ifOn14025 }, "FA00013990000;", kLeft },
        { "in split, the transmitting VFO",
          1,
          { "FA00014025000;", "FB00014100000;", "FT1;" },
          "FB00013900000;",
          kLeft },
        { "in split, not the receiving one",
          1,
          { "FA00014025000;", "FB00014100000;", "FT1;" },
          "FA00013900000;",
          {} },
        { "split on, transmitting outside",
          1,
          { "FA00014025000;", "FB00013900000;" },
          "FT1;",
          kLeft },
        { "split off, back to the receiving VFO",
          1,
          { "FA00014025000;", "FB00013900000;", "FT1;" },
          "FT0;",
          entered({ "20", "metres" }) },
        { "a garbled frequency is unknown", 1, { "FA00014025000;" }, "FA0001399x000;", {} },
    };
    for (const auto &c : cases) {
        BandEdges edges(plan);
        edges.setRegion(c.region);
        RadioState before;
        for (const std::string &reply : c.before) {
            before = interpret(before, reply, {}).state;
        }
        const RadioState after = interpret(before, c.reply, {}).state;
        const Announcement edge = bandEdge(edges.bands(), before, after);
        EXPECT_EQ(edge.clips(), c.heard) << c.name;
        EXPECT_FALSE(edge.mayBePassedOver()) << c.name;
    }
}

TEST(BandPlan, BadLinesAreNamedAndLeftOutTheRestIsRead)
{
    const BandPlan plan = parseBandPlan("# comment\r\n"
                                        "\n"
                                        "1 20m 14000\n" // 3
                                        "4 20m 14000 14350\n" // 4
                                        "1 20 14000 14350\n" // 5
                                        "1 20m 14000,5 14350\n" // 6: no desktop's comma
                                        "1 20m 14350 14000\n" // 7
                                        "1\t20m\t14000\t14350\r\n"
                                        "1 60m 5351.5 5366.5\n"
                                        "1 21m 14300 14400\n" // 10: overlaps 20m
                                        "3 2m 144000 148000");
    std::vector<std::string> lines;
    for (const std::string &problem : plan.problems) {
        lines.push_back(problem.substr(0, problem.find(':')));
    }
    EXPECT_EQ(
        lines,
        (std::vector<std::string> { "line 3", "line 4", "line 5", "line 6", "line 7", "line 10" }));
    ASSERT_EQ(plan.regions[0].size(), 2u);
    EXPECT_EQ(plan.regions[0][1].name, "60m");
    EXPECT_EQ(plan.regions[0][1].lowerHz, 5'351'500);
    EXPECT_EQ(plan.regions[0][1].upperHz, 5'366'500);
    EXPECT_TRUE(plan.regions[1].empty());
    ASSERT_EQ(plan.regions[2].size(), 1u);
    EXPECT_EQ(plan.regions[2][0].clips, (Clips { "2", "metres" }));
}

TEST(BandPlan, TheInstalledTableReadsWhole)
{
    std::ifstream file(BAND_PLAN_FILE);
    ASSERT_TRUE(file);
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
