#include "program_run.h"

#include <gtest/gtest.h>

namespace vexalo::testing {
namespace {

using Strings = std::vector<std::string>;

const Strings kHandshake = { "id;", "q72;", "q7;", "ai0;", "pc;", "if;", "fr;",
                             "ft;", "ks;",  "gt;", "pa;",  "ra;", "fw;", "nb;" };

Strings plus(Strings a, const Strings &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(EndToEnd, FirstRunCreatesTheSettingsGreetsAndPrimesTheRadioSilently)
{
    ProgramRun run;
    run.startRadio();
    run.startVexalo();
    ASSERT_TRUE(run.waitFor("send AI0;"));
    EXPECT_EQ(run.settings(), QByteArray("1,0,#TRUE#\r\n"));
    EXPECT_EQ(run.stopVexalo(), 0);

    EXPECT_EQ(run.clips(), (Strings { "dorvaneq7", "q7_present", "73s" }));
    EXPECT_EQ(run.radioCommands(), plus(kHandshake, { "AI0;", "q70;" }));
    EXPECT_EQ(run.settings(), QByteArray("1,0,#TRUE#\r\n"));
}

TEST(EndToEnd, StoredSettingsChoosePortModeAndGreeting)
{
    const struct {
        const char *name;
        QByteArray settings;
        QString link;
        Strings clips;
        Strings commands;
    } cases[] = {
        { "semi auto on port 3, no greeting",
          "3,1,#FALSE#\r\n",
          "com3",
          { "q7_present", "73s" },
          plus(kHandshake, { "AI2;", "q70;" }) },
        { "full auto on port 12",
          "12,3,#TRUE#\r\n",
          "com12",
          { "dorvaneq7", "q7_present", "73s" },
          plus(kHandshake, { "AI2;", "q70;" }) },
        { "unused report mode 2",
          "1,2,#FALSE#\r\n",
          "com1",
          { "q7_present", "73s" },
          plus(kHandshake, { "q70;" }) },
    };
    for (const auto &c : cases) {
        ProgramRun run;
        run.writeSettings(c.settings);
        run.startRadio({}, c.link);
        run.startVexalo();
        ASSERT_TRUE(run.waitFor("clip q7_present")) << c.name;
        ASSERT_TRUE(run.waitFor("send nb;")) << c.name;
        // Priming ends with the report mode (or none); the farewell shows the run is over.
        EXPECT_EQ(run.stopVexalo(), 0) << c.name;
        EXPECT_EQ(run.clips(), c.clips) << c.name;
        EXPECT_EQ(run.radioCommands(), c.commands) << c.name;
        EXPECT_EQ(run.settings(), c.settings) << c.name << ": written back unchanged";
    }
}

TEST(EndToEnd, ARadioThatAnswersOnlyALoneQ7IsFoundOnTheThirdTry)
{
    ProgramRun run;
    run.writeSettings("1,0,#FALSE#\r\n");
    run.startRadio({ "--ident-late" });
    run.startVexalo();
    ASSERT_TRUE(run.waitFor("send AI0;"));
    EXPECT_EQ(run.stopVexalo(), 0);
    EXPECT_EQ(run.clips(), (Strings { "q7_present", "73s" }));
    Strings expected = { "id;", "q72;", "q7;", "q7;" };
    expected = plus(expected, Strings(kHandshake.begin() + 3, kHandshake.end()));
    EXPECT_EQ(run.radioCommands(), plus(expected, { "AI0;", "q70;" }));
}

TEST(EndToEnd, ASilentRadioIsGivenThreeWaitsThenReportedAndThePortClosed)
{
    ProgramRun run;
    run.writeSettings("1,0,#FALSE#\r\n");
    run.startRadio({ "--silent" });
    run.startVexalo();
    ASSERT_TRUE(run.waitFor("clip q7_error"));
    const LogLine *first = run.find("send id;");
    const LogLine *error = run.find("clip q7_error");
    ASSERT_TRUE(first && error);
    EXPECT_GE(error->seconds - first->seconds, 1.45) << "three waits of half a second";
    EXPECT_EQ(run.stopVexalo(), 0);
    EXPECT_EQ(run.clips(), (Strings { "q7_error", "73s" }));
    EXPECT_EQ(run.radioCommands(), (Strings { "id;", "q72;", "q7;", "q7;" }))
        << "the port is closed, so not even the release command goes out";
}

TEST(EndToEnd, StartUpFailuresAreHeardAndSendNothing)
{
    const struct {
        const char *name;
        QByteArray settings;
        QByteArray savedAtShutdown;
    } cases[] = {
        // com9 leads to something that is no serial port at all.
        { "a port that does not work", "9,0,#FALSE#\r\n", "9,0,#FALSE#\r\n" },
        { "an empty settings file", "", ",,\r\n" },
    };
    for (const auto &c : cases) {
        ProgramRun run;
        run.writeSettings(c.settings);
        QFile::link("/dev/null", run.path("com9"));
        run.startRadio();
        run.startVexalo();
        ASSERT_TRUE(run.waitFor("clip q7_error")) << c.name;
        EXPECT_EQ(run.stopVexalo(), 0) << c.name;
        EXPECT_EQ(run.clips(), (Strings { "q7_error", "73s" })) << c.name;
        EXPECT_EQ(run.radioCommands(), Strings {}) << c.name;
        EXPECT_EQ(run.settings(), c.savedAtShutdown) << c.name;
    }
}

TEST(EndToEnd, ShutdownReleasesTheRadioBeforeTheFarewellAndClosesThePortAfterIt)
{
    ProgramRun run;
    run.writeSettings("1,3,#FALSE#\r\n");
    run.startRadio();
    run.startVexalo();
    ASSERT_TRUE(run.waitFor("send AI2;"));
    EXPECT_EQ(run.stopVexalo(), 0);

    const LogLine *release = run.find("send q70; (release)");
    const LogLine *farewell = run.find("clip 73s");
    const LogLine *closed = run.find("port closed");
    ASSERT_TRUE(release && farewell && closed);
    EXPECT_LE(release->seconds, farewell->seconds);
    EXPECT_GE(closed->seconds - farewell->seconds, 0.249);
    EXPECT_EQ(run.radioCommands().back(), "q70;");
    EXPECT_EQ(run.settings(), QByteArray("1,3,#FALSE#\r\n"));
}

} // namespace
} // namespace vexalo::testing
