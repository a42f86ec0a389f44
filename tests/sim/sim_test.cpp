// Black-box tests of the q7sim program over a real pseudo-terminal: what it answers, what it
// reports by itself, its fault options, its scenario scripts, its log and its line.
#include "sim_harness.h"
#include "status_report.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <regex>

namespace q7sim::testing {
namespace {

using vexalo::testing::Status;

// The simulator fills the positions nobody reads with zeros.
std::string status(Status s)
{
    s.filler = '0';
    s.tail = "000;";
    return vexalo::testing::statusReport(s);
}

const std::string startIF = status({ .mode = '3' });

std::string withCase(std::string text, int variant)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool lower = variant == 1 || (variant == 2 && i % 2 == 0);
        text[i] = static_cast<char>(lower ? std::tolower(text[i]) : std::toupper(text[i]));
    }
    return text;
}

TEST(Queries, AnswerFromTheStartStateInAnyLetterCase)
{
    const struct {
        const char *command;
        std::string reply;
    } rows[] = {
        { "FA;", "FA00014025000;" }, { "FB;", "FB00014030000;" }, { "FR;", "FR0;" },
        { "FT;", "FT0;" },           { "FW;", "FW05002;" },       { "GT;", "GT002;" },
        { "MD;", "MD3;" },           { "NB;", "NB00;" },          { "PA;", "PA1;" },
        { "RA;", "RA00;" },          { "PC;", "PC0500;" },        { "KS;", "KS020;" },
        { "BG;", "BG05;" },          { "IF;", startIF },          { "ID;", "ID947;" },
        { "Q7;", "Q70;" },           { "LK;", "LK0;" },           { "AI;", "AI0;" },
    };
    Sim sim({ "--fast" });
    ASSERT_TRUE(sim.ready) << sim.errors;
    Port port(sim.link);
    for (const auto &row : rows) {
        for (int variant = 0; variant < 3; ++variant) {
            port.write(withCase(row.command, variant));
            EXPECT_EQ(port.replies(1), Texts { row.reply }) << withCase(row.command, variant);
        }
    }
}

TEST(Queries, FieldsSitWhereTheProgramReadsThem)
{
    TempDir files;
    Sim sim({ "--fast", "--script",
              files.write("s",
                          "tune b 145800070\nrx b\nsplit on\nmode cwr\nrit on\noffset -120\n"
                          "filter 3 1800\nagc slow\nnb 2 low\npreamp off\natt on\nkeyer 8\n"
                          "smeter 14\n") });
    ASSERT_TRUE(sim.ready) << sim.errors;
    ASSERT_TRUE(sim.waitForLog("event smeter 14"));
    Port port(sim.link);
    const struct {
        const char *command;
        std::size_t pos, len;
        const char *expected;
    } rows[] = {
        { "IF;", 3, 11, "00145800070" },
        { "IF;", 19, 5, "-0120" },
        { "IF;", 24, 1, "1" },
        { "IF;", 25, 1, "0" },
        { "IF;", 30, 1, "7" },
        { "IF;", 31, 1, "1" },
        { "IF;", 33, 1, "1" },
        { "IF;", 34, 1, "0" },
        { "IF;", 38, 2, ";" },
        { "FB;", 3, 12, "00145800070;" },
        { "FA;", 3, 12, "00014025000;" },
        { "FR;", 3, 2, "1;" },
        { "FT;", 3, 2, "0;" },
        { "FW;", 3, 6, "18003;" },
        { "GT;", 5, 2, "4;" },
        { "MD;", 3, 2, "7;" },
        { "NB;", 3, 3, "21;" },
        { "PA;", 3, 2, "0;" },
        { "RA;", 4, 2, "1;" },
        { "KS;", 3, 4, "008;" },
        { "BG;", 3, 3, "14;" },
    };
    for (const auto &row : rows) {
        port.write(row.command);
        const Texts replies = port.replies(1);
        ASSERT_EQ(replies.size(), 1u) << row.command;
        EXPECT_EQ(replies[0].substr(0, 2), std::string(row.command, 2)) << row.command;
        EXPECT_EQ(replies[0].substr(row.pos - 1, row.len), row.expected)
            << row.command << " position " << row.pos << " in " << replies[0];
    }
}

TEST(Commands, SeveralInOneWriteOrOneOverSeveralWritesAreAnsweredInOrder)
{
    const struct {
        Texts writes;
        Texts replies;
    } rows[] = {
        { { "FA;FB;" }, { "FA00014025000;", "FB00014030000;" } },
        { { "q72;q7;" }, { "Q72;" } },
        { { "id;lk;pc;" }, { "ID947;", "LK0;", "PC0500;" } },
        { { "F", "A;" }, { "FA00014025000;" } },
        { { "fr", ";m", "d;" }, { "FR0;", "MD3;" } },
        { { "\r\nfa;\r\n", "FB;" }, { "FA00014025000;", "FB00014030000;" } },
    };
    Sim sim({ "--fast" });
    ASSERT_TRUE(sim.ready) << sim.errors;
    Port port(sim.link);
    for (const auto &row : rows) {
        for (const auto &w : row.writes) {
            port.write(w);
        }
        EXPECT_EQ(port.replies(row.replies.size()), row.replies) << row.writes[0];
    }
}

// Each command is followed by "ID;", so a command without a reply shows as "ID947;" first.
TEST(Commands, SomeAreTakenSilentlyAndUnknownOnesGetAQuestionMark)
{
    const struct {
        const char *command;
        const char *firstReply;
    } rows[] = {
        { "ai0;", "ID947;" },
        { "AI0;", "ID947;" },
        { "AI2;", "ID947;" },
        { "q70;", "ID947;" },
        { "q72;", "ID947;" },
        { ";", "ID947;" },
        { "md3;", "ID947;" },
        { "FA00014025000;", "ID947;" }, // reports are on now, but nothing changed
        { "ZZ;", "?;" },
        { "FA123;", "?;" },
        { "FA00060000000;", "?;" }, // beyond what it tunes
        { "FB00000020000;", "?;" },
        { "BG5;", "?;" },
        { "AI7;", "?;" },
        { "MDx;", "?;" },
        { "IF1;", "?;" },
        { "RA02;", "?;" },
        { "NB123;", "?;" },
        { "FW12345X;", "?;" },
    };
    Sim sim({ "--fast" });
    ASSERT_TRUE(sim.ready) << sim.errors;
    Port port(sim.link);
    for (const auto &row : rows) {
        port.write(std::string(row.command) + "ID;");
        EXPECT_EQ(port.replies(1), Texts { row.firstReply }) << row.command;
        if (std::string(row.firstReply) != "ID947;") {
            EXPECT_EQ(port.replies(1), Texts { "ID947;" }) << row.command;
        }
    }
    // A run without ';' is not kept growing: it is answered as one unknown command.
    port.write(std::string(70, 'X'));
    EXPECT_EQ(port.replies(1), Texts { "?;" });
    port.write("ID;");
    EXPECT_EQ(port.replies(1), Texts { "ID947;" });
}

// With automatic reports on, what follows a setting command or a scenario line, up to the
// answer to a marker sent after it ("ID;" on the line, or the script's own last line).
Texts reportsAfter(const std::string &change)
{
    const bool command = change.back() == ';';
    TempDir files;
    Sim sim({ "--fast", "--script-after-ai2", "--script",
              files.write("s", command ? "" : change + "\nsend ID947;\n") });
    if (!sim.ready) {
        return { "not ready: " + sim.errors };
    }
    Port port(sim.link);
    port.write(command ? "AI2;" + change + "ID;" : "AI2;");
    Texts reports;
    for (Texts r = port.replies(1); !r.empty() && r[0] != "ID947;"; r = port.replies(1)) {
        reports.push_back(r[0]);
    }
    return reports;
}

TEST(AutoInformation, EveryChangeSendsItsReportsAndNoChangeSendsNothing)
{
    const struct {
        const char *change;
        Texts reports;
    } rows[] = {
        { "tune a +100", { "FA00014025100;" } },
        { "tune a -25000", { "FA00014000000;" } },
        { "tune b 7000000", { "FB00007000000;" } },
        { "FA00007040000;", { "FA00007040000;" } },
        { "mode usb", { "MD2;", status({ .mode = '2' }) } },
        { "MD9;", { "MD9;", status({ .mode = '9' }) } },
        { "rit on", { status({ .rit = '1', .mode = '3' }) } },
        { "xit on", { status({ .xit = '1', .mode = '3' }) } },
        { "offset -120", { status({ .offset = "-0120", .mode = '3' }) } },
        { "offset 45", { status({ .offset = "+0045", .mode = '3' }) } },
        { "split on", { "FT1;", status({ .mode = '3', .split = '1' }) } },
        { "FT1;", { "FT1;", status({ .mode = '3', .split = '1' }) } },
        { "rx b", { "FR1;", "FT1;", status({ .freq = "00014030000", .mode = '3', .vfo = '1' }) } },
        { "FR1;", { "FR1;", "FT1;", status({ .freq = "00014030000", .mode = '3', .vfo = '1' }) } },
        { "filter 1 2700", { "FW27001;" } },
        { "FW18003;", { "FW18003;" } },
        { "FW2400;", { "FW24002;" } },
        { "bandwidth 250", { "FW02502;" } },
        { "agc slow", { "GT004;" } },
        { "nb 1 low", { "NB11;" } },
        { "nblevel low", { "NB01;" } },
        { "preamp off", { "PA0;" } },
        { "att on", { "RA01;" } },
        { "power 10", { "PC1000;" } },
        { "PC100;", { "PC1000;" } },
        { "keyer 25", { "KS025;" } },
        { "KS030;", { "KS030;" } },
        { "smeter 9", {} },
        { "mode cw", {} },
        { "MD3;", {} },
        { "split off", {} },
        { "tune a 14025000", {} },
        { "PA1;", {} },
    };
    for (const auto &row : rows) {
        EXPECT_EQ(reportsAfter(row.change), row.reports) << row.change;
    }
}

TEST(AutoInformation, BandChangeSendsAFlaggedStatusAndABurstClosedByNb)
{
    const Texts burst { "FT0;", "MD3;", "FW05002;", "GT002;", "PA1;", "RA00;", "NB00;" };
    Texts expected { status({ .freq = "00007040000", .mode = '3', .band = '1' }), "FA00007040000;",
                     "FB00014030000;" };
    expected.insert(expected.end(), burst.begin(), burst.end());
    EXPECT_EQ(reportsAfter("band 7040000"), expected);

    // On VFO B the band key moves B, and the status report carries B's frequency.
    expected = { "FR1;",
                 "FT1;",
                 status({ .freq = "00014030000", .mode = '3', .vfo = '1' }),
                 status({ .freq = "00021200000", .mode = '3', .vfo = '1', .band = '1' }),
                 "FA00014025000;",
                 "FB00021200000;",
                 "FT1;" };
    expected.insert(expected.end(), burst.begin() + 1, burst.end());
    EXPECT_EQ(reportsAfter("rx b\nband 21200000"), expected);
}

TEST(AutoInformation, StopsAfterAi0InEitherCase)
{
    for (const char *off : { "AI0;", "ai0;" }) {
        Sim sim({ "--fast" });
        ASSERT_TRUE(sim.ready) << sim.errors;
        Port port(sim.link);
        port.write("ai2;FA00014025100;");
        EXPECT_EQ(port.replies(1), Texts { "FA00014025100;" }) << off;
        port.write(std::string(off) + "FA00014025200;ID;FA;");
        EXPECT_EQ(port.replies(2), (Texts { "ID947;", "FA00014025200;" })) << off;
    }
}

TEST(PowerForm, ShortCarriesWholeWattsAndLongTenths)
{
    const struct {
        Texts options;
        const char *script;
        const char *reply;
        const char *setting; // a setting command, then what "PC;" says after it
        const char *afterSetting;
    } rows[] = {
        { {}, "power 5", "PC0500;", "PC105;", "PC1050;" },
        { { "--power-form", "long" }, "power 5.5", "PC0550;", "PC007;", "PC0070;" },
        { { "--power-form", "short" }, "power 5.5", "PC005;", "PC012;", "PC012;" },
        { { "--power-form", "short" }, "power 0.5", "PC000;", "PC099;", "PC099;" },
    };
    for (const auto &row : rows) {
        TempDir files;
        Texts options = row.options;
        options.insert(options.end(), { "--fast", "--script", files.write("p", row.script) });
        Sim sim(options);
        ASSERT_TRUE(sim.ready) << sim.errors;
        ASSERT_TRUE(sim.waitForLog("event power"));
        Port port(sim.link);
        port.write("pc;");
        EXPECT_EQ(port.replies(1), Texts { row.reply }) << row.script;
        port.write(std::string(row.setting) + "PC;");
        EXPECT_EQ(port.replies(1), Texts { row.afterSetting }) << row.setting;
    }
}

TEST(Faults, IdentLateAnswersOnlyALoneQ7)
{
    const struct {
        Texts options;
        Texts writes;
        Texts replies;
    } rows[] = {
        { {}, { "q72;q7;ID;" }, { "Q72;", "ID947;" } },
        { { "--ident-late" }, { "q72;q7;ID;" }, { "ID947;" } },
        { { "--ident-late" }, { "q7;" }, { "Q70;" } },
        { { "--ident-late" }, { "id;q7;" }, { "ID947;", "Q70;" } },
        { { "--ident-late" }, { "q72;ID;", "q7;" }, { "ID947;", "Q72;" } },
    };
    for (const auto &row : rows) {
        Texts options = row.options;
        options.push_back("--fast");
        Sim sim(options);
        ASSERT_TRUE(sim.ready) << sim.errors;
        Port port(sim.link);
        Texts replies;
        for (const auto &w : row.writes) {
            port.write(w);
            const Texts r = port.replies(1);
            replies.insert(replies.end(), r.begin(), r.end());
        }
        const Texts rest = port.replies(row.replies.size() - replies.size(), 300ms);
        replies.insert(replies.end(), rest.begin(), rest.end());
        EXPECT_EQ(replies, row.replies) << row.writes[0];
    }
}

TEST(Faults, SilentAnswersNothingAndReportsNothing)
{
    Sim sim({ "--fast", "--silent" });
    ASSERT_TRUE(sim.ready) << sim.errors;
    Port port(sim.link);
    port.write("FA;id;q72;q7;AI2;FA00007000000;IF;");
    ASSERT_TRUE(sim.waitForLog("cmd IF;"));
    EXPECT_EQ(port.readFor(300ms), "");
    EXPECT_FALSE(sim.waitForLog(" reply ", 0ms));
}

TEST(Faults, GarbageKeepsOnlyTheLengthAndTheFinalSemicolon)
{
    const struct {
        const char *command;
        std::size_t length;
    } rows[] = { { "FA;", 14 }, { "IF;", 38 }, { "ID;", 6 }, { "q7;", 4 } };
    Sim sim({ "--fast", "--garbage" });
    ASSERT_TRUE(sim.ready) << sim.errors;
    Port port(sim.link);
    for (const auto &row : rows) {
        port.write(row.command);
        const Texts replies = port.replies(1);
        ASSERT_EQ(replies.size(), 1u) << row.command;
        EXPECT_EQ(replies[0].size(), row.length) << row.command;
        EXPECT_GE(static_cast<unsigned char>(replies[0][0]), 0x80) << row.command;
        EXPECT_EQ(replies[0].find(';'), row.length - 1) << row.command;
    }
}

TEST(Script, SilentSpeakAndRawText)
{
    TempDir files;
    Sim sim({ "--fast", "--script",
              files.write("s",
                          "# the radio goes quiet for a while\nsilent\n"
                          "wait 1.5   # long enough for the test to ask meanwhile\n"
                          "speak\nsend hello\\x0D\\x0A;#a comment\n") });
    ASSERT_TRUE(sim.ready) << sim.errors;
    Port port(sim.link);
    ASSERT_TRUE(sim.waitForLog("event silent"));
    port.write("FA;");
    ASSERT_TRUE(sim.waitForLog("cmd FA;"));
    ASSERT_TRUE(sim.waitForLog("event speak"));
    EXPECT_EQ(port.replies(1), Texts { "hello\r\n;" });
    port.write("FB;");
    EXPECT_EQ(port.replies(1), Texts { "FB00014030000;" });
    EXPECT_TRUE(sim.waitForLog("reply hello\\x0D\\x0A;"));
}

TEST(Script, WaitsPutTimeBetweenEvents)
{
    TempDir files;
    Sim sim(
        { "--fast", "--script-after-ai2", "--script", files.write("s", "wait 0.4\ntune a +10") });
    ASSERT_TRUE(sim.ready) << sim.errors;
    Port port(sim.link);
    port.write("AI2;");
    ASSERT_EQ(port.replies(1), Texts { "FA00014025010;" });
    ASSERT_TRUE(sim.waitForLog("reply FA00014025010;"));
    double asked = -1;
    double reported = -1;
    for (const auto &line : sim.log) {
        asked = line.find("cmd AI2;") != std::string::npos ? std::stod(line) : asked;
        reported = line.find("reply FA") != std::string::npos ? std::stod(line) : reported;
    }
    // The log's times are rounded to the millisecond, and the command is logged a moment
    // after the script's clock has started.
    EXPECT_GE(reported - asked, 0.4 - 0.002);
}

TEST(Script, BadLinesAreRefusedNamingTheLine)
{
    const struct {
        const char *script;
        const char *where;
    } rows[] = {
        { "tune c 100\n", "line 1:" },     { "# fine\nwait -1\n", "line 2:" },
        { "power 100\n", "line 1:" },      { "mode 12\n", "line 1:" },
        { "\n\nfrobnicate\n", "line 3:" }, { "send\n", "line 1:" },
        { "send \\q\n", "line 1:" },       { "rit maybe\n", "line 1:" },
        { "offset 10000\n", "line 1:" },   { "tune a 100000000000\n", "line 1:" },
        { "silent now\n", "line 1:" },
    };
    for (const auto &row : rows) {
        TempDir files;
        Sim sim({ "--fast", "--script", files.write("bad", row.script) });
        EXPECT_FALSE(sim.ready) << row.script;
        EXPECT_EQ(sim.waitExit(), 2) << row.script;
        EXPECT_NE(sim.errors.find(row.where), std::string::npos) << sim.errors;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.link)));
    }
}

TEST(Script, DemoScenarioIsAccepted)
{
    Sim sim({ "--fast", "--script", Q7SIM_DEMO, "--script-after-ai2" });
    EXPECT_TRUE(sim.ready) << sim.errors;
}

TEST(Log, EveryLineHasTimeKindAndEscapedText)
{
    TempDir files;
    const std::string logFile = files.path + "/sim.log";
    Sim sim({ "--fast", "--link", files.path + "/com1", "--log", logFile }, false);
    ASSERT_TRUE(sim.ready) << sim.errors;
    {
        Port port(files.path + "/com1");
        port.write("\rid;q72;q7;\x01;");
        EXPECT_EQ(port.replies(3), (Texts { "ID947;", "Q72;", "?;" }));
    }
    ASSERT_EQ(sim.stop(SIGTERM), 0);

    std::ifstream in(logFile);
    const std::regex format(R"(^\d+\.\d{3} (cmd|reply|event|port) \S.*$)");
    Texts lines;
    double previous = 0;
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(std::regex_match(line, format)) << line;
        EXPECT_GE(std::stod(line), previous) << line;
        previous = std::stod(line);
        lines.push_back(line.substr(line.find(' ') + 1));
    }
    // What one write brings is all logged as received before anything is answered.
    EXPECT_EQ(lines,
              (Texts { "port open", "cmd \\x0Did;", "cmd q72;", "cmd q7;", "cmd \\x01;",
                       "reply ID947;", "reply Q72;", "reply ?;", "port closed" }));
}

TEST(Line, StopSignalsEndCleanlyAndRemoveTheLink)
{
    for (const int signal : { SIGTERM, SIGINT, SIGHUP }) {
        Sim sim({ "--fast" });
        ASSERT_TRUE(sim.ready) << sim.errors;
        ASSERT_TRUE(std::filesystem::is_symlink(sim.link));
        EXPECT_EQ(sim.stop(signal), 0) << signal;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(sim.link)));
    }
}

TEST(Line, AStaleLinkIsReplacedButAnyOtherFileIsLeftAlone)
{
    TempDir files;
    const std::string link = files.path + "/com1";
    std::filesystem::create_symlink("/nonexistent/pts", link);
    {
        Sim sim({ "--fast", "--link", link }, false);
        ASSERT_TRUE(sim.ready) << sim.errors;
        Port port(link);
        port.write("FR;");
        EXPECT_EQ(port.replies(1), Texts { "FR0;" });
    }
    const std::string file = files.write("com2", "keep me");
    Sim sim({ "--fast", "--link", file }, false);
    EXPECT_FALSE(sim.ready);
    EXPECT_EQ(sim.waitExit(), 1);
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
}

TEST(Line, ReopenedPortWorksAndGetsNothingLeftUnreadBeforeTheClose)
{
    Sim sim({ "--fast" });
    ASSERT_TRUE(sim.ready) << sim.errors;
    {
        Port port(sim.link);
        port.write("AI2;FB00007000000;");
        ASSERT_TRUE(sim.waitForLog("reply FB00007000000;"));
    }
    ASSERT_TRUE(sim.waitForLog("port closed"));
    for (int round = 0; round < 3; ++round) {
        Port port(sim.link);
        port.write("FA;");
        EXPECT_EQ(port.replies(1), Texts { "FA00014025000;" }) << round;
    }
}

TEST(Line, WhatIsSentWhileNobodyHasThePortOpenIsLost)
{
    TempDir files;
    Sim sim({ "--fast", "--script-after-ai2", "--script", files.write("s", "wait 1\ntune b 1") });
    ASSERT_TRUE(sim.ready) << sim.errors;
    {
        Port port(sim.link);
        port.write("AI2;");
        ASSERT_TRUE(sim.waitForLog("cmd AI2;"));
    }
    ASSERT_TRUE(sim.waitForLog("port closed"));
    ASSERT_TRUE(sim.waitForLog("reply FB00000000001;"));
    Port port(sim.link);
    port.write("FA;");
    EXPECT_EQ(port.replies(1), Texts { "FA00014025000;" });
}

TEST(Line, DefaultPacingTakesAtLeastTheLineTime)
{
    Sim sim({});
    ASSERT_TRUE(sim.ready) << sim.errors;
    Port port(sim.link);
    const auto start = std::chrono::steady_clock::now();
    port.write("IF;");
    ASSERT_EQ(port.replies(1), Texts { startIF });
    // 38 characters at 2.08 ms each, after the answer delay: a lower bound only.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 79ms);
}

TEST(Options, HelpNamesEveryOptionAndBadOnesAreRefused)
{
    Sim help({ "--help" }, false);
    EXPECT_EQ(help.waitExit(), 0);
    std::string text;
    for (const auto &line : help.log) {
        text += line + "\n";
    }
    for (const char *name : { "--link", "--log", "--script", "--script-after-ai2", "--power-form",
                              "--fast", "--ident-late", "--silent", "--garbage", "--seed",
                              "wait SECONDS", "tune a|b", "band HZ", "send TEXT" }) {
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
    for (const Texts &bad : std::vector<Texts> { { "--bogus" },
                                                 { "--power-form", "medium" },
                                                 { "--script-after-ai2" },
                                                 { "--script", "/nonexistent" },
                                                 { "stray" } }) {
        Sim sim(bad, false);
        EXPECT_EQ(sim.waitExit(), 2) << bad[0];
    }
}

} // namespace
} // namespace q7sim::testing
