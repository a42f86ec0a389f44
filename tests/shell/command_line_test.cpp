// The command line: help and version end the run with their text, anything the program does
// not know ends it with status 2 and says what was wrong, and options with values are read.
#include "announcer.h"
#include "band_plan_file.h"
#include "clip_recorder.h"
#include "command_line.h"
#include "options_file.h"
#include "version.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vexalo {
namespace {

CommandLine parse(std::vector<std::string> args)
{
    return parseCommandLine(args);
}

TEST(CommandLine, HelpAndVersionPrintAndEndTheRun)
{
    const struct {
        std::vector<std::string> args;
        std::string firstLine;
    } cases[] = {
        { { "--help" }, "Usage: vexalo [OPTION]" },
        { { "--version" }, std::string("vexalo ") + kVersionLabel },
        { { "--version", "--help" }, "Usage: vexalo [OPTION]" },
    };
    for (const auto &c : cases) {
        const CommandLine result = parse(c.args);
        EXPECT_EQ(result.outcome, CommandLine::Outcome::Exit) << c.args.front();
        EXPECT_EQ(result.exitStatus, 0) << c.args.front();
        EXPECT_EQ(result.output.substr(0, result.output.find('\n')), c.firstLine);
    }
    const std::string help = parse({ "--help" }).output;
    for (const CommandLineOption &option : kOptions) {
        EXPECT_NE(help.find("--" + std::string(option.name)), std::string::npos) << option.name;
    }
}

TEST(CommandLine, AnythingElseIsAnErrorThatSaysWhat)
{
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        { { "--verbose" }, "unknown option '--verbose'" },
        { { "-h" }, "unexpected argument '-h'" },
        { { "com1" }, "unexpected argument 'com1'" },
        { { "--" }, "unexpected argument '--'" },
        { { "--help=yes" }, "--help takes no value" },
        { { "--version", "--version" }, "--version given twice" },
        { { "-platform", "offscreen" }, "unexpected argument '-platform'" },
    };
    for (const auto &c : cases) {
        const CommandLine result = parse(c.args);
        EXPECT_EQ(result.outcome, CommandLine::Outcome::Exit) << c.message;
        EXPECT_EQ(result.exitStatus, 2) << c.message;
        EXPECT_EQ(result.output, "vexalo: " + c.message + "\nTry 'vexalo --help'.\n");
    }
}

TEST(CommandLine, ReadsOptionValuesInBothSpellings)
{
    static constexpr CommandLineOption withValue[] = {
        { "help", "", "help" },
        { "log", "FILE", "log to FILE" },
    };
    const struct {
        std::vector<std::string> args;
        CommandLine::Outcome outcome;
        std::string value;
    } cases[] = {
        { {}, CommandLine::Outcome::Run, "" },
        { { "--log", "out.txt" }, CommandLine::Outcome::Run, "out.txt" },
        { { "--log=out.txt" }, CommandLine::Outcome::Run, "out.txt" },
        { { "--log=" }, CommandLine::Outcome::Run, "" },
        { { "--log" }, CommandLine::Outcome::Exit, "" },
    };
    for (const auto &c : cases) {
        const CommandLine result = parseCommandLine(c.args, withValue);
        EXPECT_EQ(result.outcome, c.outcome) << ::testing::PrintToString(c.args);
        if (c.outcome == CommandLine::Outcome::Run) {
            EXPECT_EQ(result.has("log"), !c.args.empty());
            EXPECT_EQ(result.has("log") ? result.values.at("log") : "", c.value);
        } else {
            EXPECT_NE(result.output.find("--log needs FILE"), std::string::npos);
        }
    }
    EXPECT_NE(parseCommandLine(std::vector<std::string> { "--help" }, withValue)
                  .output.find("  --log FILE  "),
              std::string::npos);
}

TEST(CommandLine, AnOptionalValueIsGivenOnlyWithAnEqualsSign)
{
    const struct {
        std::vector<std::string> args;
        std::string value; // of --share, when the line is taken
        std::string error;
    } cases[] = {
        { { "--share" }, "", "" },
        { { "--share=4533" }, "4533", "" },
        { { "--share=0.0.0.0:4532", "--transcript" }, "0.0.0.0:4532", "" },
        { { "--share", "--transcript" }, "", "" },
        { { "--share", "4533" }, "", "unexpected argument '4533'" },
    };
    for (const auto &c : cases) {
        const CommandLine result = parse(c.args);
        EXPECT_EQ(result.error, c.error) << ::testing::PrintToString(c.args);
        if (c.error.empty()) {
            EXPECT_EQ(result.values.at("share"), c.value) << ::testing::PrintToString(c.args);
        }
    }
    EXPECT_NE(parse({ "--help" }).output.find("  --share[=[ADDRESS:]PORT]  "), std::string::npos);
    EXPECT_EQ(parseConfigOptions("--share=4533\n").values.at("share"), "4533");
}

TEST(CommandLine, AnnounceTakesKnownReadings)
{
    EXPECT_EQ(parse({ "--announce=frequency,,rit-xit" }).error, "");
    EXPECT_EQ(parse({ "--announce=" }).error, "") << "nothing announced by itself";
    EXPECT_NE(parse({ "--announce=frequency,smeter" }).error, "");
    EXPECT_EQ(announcedNames("mode,,vfo"), (std::vector<std::string_view> { "mode", "vfo" }));
}

TEST(CommandLine, RegionTakesOneTwoOrThreeAndTheMenuKeepsIt)
{
    for (const std::string bad : { "0", "4", "1,", "" }) {
        EXPECT_NE(parse({ "--region=" + bad }).error, "") << bad;
    }
    EXPECT_EQ(regionOf(parse({ "--region", "2" }).values.at("region")), 2);
    BandEdges edges;
    EXPECT_EQ(regionOption(edges), (OwnedOptions { { "region", std::nullopt } })) << "off";
    edges.setRegion(3);
    EXPECT_EQ(regionOption(edges), (OwnedOptions { { "region", "--region=3" } }));
}

// Vexalo's folder first, then beside the program; a table that is missing or has bad lines
// is named, never fatal.
TEST(BandPlanFile, TheFirstPlaceWithTheTableIsReadAndItsProblemsNamed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path mine = dir.filePath(QStringLiteral("mine.tsv")).toStdString();
    const std::filesystem::path gone = dir.filePath(QStringLiteral("gone.tsv")).toStdString();
    QFile file(QString::fromStdString(mine.string()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("2 20m 14000 14350\n2 40m seven 7300\n");
    file.close();

    BandPlan plan = readBandPlan({ gone, mine });
    EXPECT_EQ(plan.regions[1].size(), 1u);
    EXPECT_EQ(plan.problems,
              std::vector<std::string> { mine.generic_string()
                                         + " line 2: edge 'seven' is not a number of kHz" });
    plan = readBandPlan({ gone });
    ASSERT_EQ(plan.problems.size(), 1u);
    EXPECT_TRUE(plan.problems[0].starts_with("band-edges.tsv not found")) << plan.problems[0];
    EXPECT_EQ(bandPlanPlaces("/opt/vexalo/bin")[1].generic_string(),
              "/opt/vexalo/bin/../share/vexalo/band-edges.tsv");
}

TEST(CommandLine, SettleTakesMillisecondsOrNothing)
{
    const struct {
        const char *arg;
        int ms; // -1: refused
    } cases[] = {
        { "--settle", kDefaultSettleMs },  { "--settle=500", 500 }, { "--settle=0", 0 },
        { "--settle=5001", -1 },           { "--settle=1.5", -1 },  { "--settle=-1", -1 },
        { "--settle=", kDefaultSettleMs },
    };
    for (const auto &c : cases) {
        const CommandLine result = parse({ c.arg });
        EXPECT_EQ(result.outcome == CommandLine::Outcome::Run, c.ms >= 0) << c.arg;
        if (c.ms >= 0) {
            EXPECT_EQ(settleMsOf(result.values.at("settle")), c.ms) << c.arg;
        }
    }
}

// The operator's own lines survive the menu's writing byte for byte.
TEST(OptionsFile, TheMenuRewritesOnlyItsOwnLines)
{
    const std::string theirs = "# my radio\r\n\n--transcript --settle=900\n--loud  \n";
    const struct {
        const char *name;
        std::string before;
        OwnedOptions owned;
        std::string after;
    } cases[] = {
        { "added at the end, after a last line without its end",
          "# mine\n--transcript",
          { { "settle", "--settle" } },
          "# mine\n--transcript\n--settle\n" },
        { "replaced in place, its CRLF kept, a second line of it dropped",
          "--settle=900\r\n# note\n  --settle\n",
          { { "settle", "--settle=500" } },
          "--settle=500\r\n# note\n" },
        { "removed",
          theirs + "--short-readouts\n",
          { { "short-readouts", std::nullopt }, { "settle", std::nullopt } },
          theirs },
        { "a line with more than the option is the operator's",
          theirs,
          { { "settle", "--settle" } },
          theirs + "--settle\n" },
        { "nothing to do on an empty file", "", { { "settle", std::nullopt } }, "" },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(withOwnedOptions(c.before, c.owned), c.after) << c.name;
    }

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("vexalo.conf")).toStdString();
    ASSERT_TRUE(keepOptions({ { "short-readouts", "--short-readouts" } }, path)) << "no file yet";
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write(QByteArray::fromStdString(theirs));
    file.close();
    ASSERT_TRUE(keepOptions({ { "short-readouts", std::nullopt } }, path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), theirs);
    EXPECT_EQ(readOptionsFile(path).values.count("short-readouts"), 0u) << "read back as off";

    testing::ClipRecorder<> sink;
    Announcer announcer(sink);
    EXPECT_EQ(menuOption("announce", announcer), (OwnedOptions { { "announce", std::nullopt } }))
        << "all readings: no line";
    for (const AnnouncedReading &reading : kAnnouncedReadings) {
        announcer.setAnnounced(reading, reading.name == "mode" || reading.name == "vfo");
    }
    EXPECT_EQ(menuOption("announce", announcer),
              (OwnedOptions { { "announce", "--announce=mode,vfo" } }));
    EXPECT_EQ(menuOption("ticks", announcer), (OwnedOptions { { "ticks", std::nullopt } }));
    announcer.setTicks(true);
    EXPECT_EQ(menuOption("ticks", announcer), (OwnedOptions { { "ticks", "--ticks" } }));
}

TEST(ConfigOptions, LinesAreOptionsBadOnesAreReportedAndTheCommandLineWins)
{
    static constexpr CommandLineOption options[] = {
        { "help", "", "help" },
        { "transcript", "", "transcript" },
        { "log", "FILE", "log to FILE" },
    };
    const ConfigOptions file = parseConfigOptions("# kept options\r\n"
                                                  "\n"
                                                  "  --transcript  \r\n"
                                                  "--log first.txt\n"
                                                  "--loud\n"
                                                  "--help\n"
                                                  "--log\n"
                                                  "com1\n"
                                                  "--log=second.txt",
                                                  options);
    EXPECT_EQ(file.values,
              (decltype(file.values) { { "transcript", "" }, { "log", "second.txt" } }));
    EXPECT_EQ(file.problems,
              (std::vector<std::string> { "line 5: unknown option '--loud'",
                                          "line 6: --help belongs on the command line, not in "
                                          "vexalo.conf",
                                          "line 7: --log needs FILE",
                                          "line 8: unexpected argument 'com1'" }));

    CommandLine line = parseCommandLine(std::vector<std::string> { "--log", "cli.txt" }, options);
    addFileOptions(line, file);
    EXPECT_EQ(line.values.at("log"), "cli.txt");
    EXPECT_TRUE(line.has("transcript"));
}

} // namespace
} // namespace vexalo
