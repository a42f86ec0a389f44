// The operator's input: the step sizes and where a press lands, the frequency entry's text as
// hertz (under a desktop language whose decimal mark is a comma, too), and the setting commands.
#include "operator_input.h"
#include "platform_files.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace vexalo {
namespace {

using namespace operator_input;

TEST(OperatorInput, StepsMoveThroughTheSizesAndStopAtTheEnds)
{
    struct Row {
        std::size_t from;
        std::size_t larger;
        std::size_t smaller;
        std::vector<std::string> said;
    };
    const Row rows[] = {
        { 0, 1, 0, { "step", "10", "hz" } },
        { 1, 2, 0, { "step", "1", "hundred", "hz" } },
        { 2, 3, 1, { "step", "1", "khz" } },
        { 3, 4, 2, { "step", "10", "khz" } },
        { 4, 5, 3, { "step", "1", "hundred", "khz" } },
        { 5, 5, 4, { "step", "1", "mhz" } },
    };
    for (const Row &row : rows) {
        EXPECT_EQ(largerStep(row.from), row.larger) << row.from;
        EXPECT_EQ(smallerStep(row.from), row.smaller) << row.from;
        EXPECT_EQ(stepClips(row.from), row.said) << row.from;
    }
}

TEST(OperatorInput, APressLandsWithinWhatTheRadioCanBeTold)
{
    struct Row {
        long long from;
        long long by;
        long long to;
    };
    const Row rows[] = {
        { 14'074'000, 1'000, 14'075'000 },
        { 14'074'000, -10, 14'073'990 },
        { 14'074'000, 90 * 1'000, 14'164'000 },
        { 5, -10, 0 },
        { 99'999'999'990, 1'000'000, 99'999'999'999 },
    };
    for (const Row &row : rows) {
        EXPECT_EQ(stepped(row.from, row.by), row.to) << row.from << " " << row.by;
    }
}

struct EntryRow {
    const char *typed;
    long long hertz; // 0: refused
};

const EntryRow kEntries[] = {
    { "14074", 14'074'000 },
    { "14.074", 14'074'000 },
    { "14,074", 14'074'000 },
    { "14074.5", 14'074'500 },
    { "14074,55", 14'074'550 },
    { " 7030 ", 7'030'000 },
    { "7.03", 7'030'000 },
    { "99.99999", 99'999'990 },
    { "100.5", 100'500 }, // with a point, 100 and above is kilohertz
    { "60000", 60'000'000 },
    { "14074.555", 0 }, // kilohertz take two decimals
    { "14.0745551", 0 },
    { "14.074.1", 0 },
    { "14,074.1", 0 },
    { "1e4", 0 },
    { "-14074", 0 },
    { "", 0 },
    { ".", 0 },
    { "0", 0 },
    { "abc", 0 },
    { "9999999999", 0 },
};

void expectEntries()
{
    for (const EntryRow &row : kEntries) {
        const auto hertz = parseFrequencyEntry(row.typed);
        EXPECT_EQ(hertz.value_or(0), row.hertz) << '"' << row.typed << '"';
    }
}

TEST(OperatorInput, TheEntryReadsKilohertzOrMegahertzWithEitherDecimalMark)
{
    expectEntries();
}

TEST(OperatorInput, TheEntryReadsTheSameUnderACommaLocale)
{
    if (!vexalo::testing::useCommaLocale()) {
        GTEST_SKIP() << "no German locale here";
    }
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    expectEntries();
    EXPECT_EQ(frequencyCommand(0, 14'074'000), "FA00014074000;");
    std::setlocale(LC_ALL, "C");
}

TEST(OperatorInput, SettingsTakeTheLayoutOfTheirReplies)
{
    EXPECT_EQ(frequencyCommand(0, 14'074'000), "FA00014074000;");
    EXPECT_EQ(frequencyCommand(1, 7'030'010), "FB00007030010;");
    EXPECT_EQ(settingCommand("MD", 2, 1), "MD2;");
    EXPECT_EQ(settingCommand("GT", 2, 3), "GT002;");
    EXPECT_EQ(settingCommand("RA", 1, 2), "RA01;");
    EXPECT_EQ(kilohertzText(60'000'000), "60000.00");
    EXPECT_EQ(parseWholeEntry("50", 0, 99).value_or(-1), 50);
    EXPECT_FALSE(parseWholeEntry("100", 0, 99));
    EXPECT_FALSE(parseWholeEntry("5.5", 0, 99));
}

TEST(OperatorInput, TheStepIsKeptInItsOwnFile)
{
    const auto file = std::filesystem::temp_directory_path() / "vexalo-step-test.step";
    std::filesystem::remove(file);
    EXPECT_EQ(readStep(file), kDefaultStep);
    ASSERT_TRUE(writeStep(file, 4));
    EXPECT_EQ(readStep(file), 4u);
    ASSERT_TRUE(writeStep(file, 0));
    EXPECT_EQ(readStep(file), 0u);
    std::filesystem::remove(file);
}

} // namespace
} // namespace vexalo
