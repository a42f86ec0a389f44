#include "commands.h"
#include "event_wait.h"
#include "fake_radio_port.h"
#include "harness.h"
#include "link.h"
#include "platform_files.h"
#include "radio_handshake.h"
#include "serial_radio_port.h"
#include "settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace vexalo::testing {
namespace {

using namespace std::chrono_literals;

TEST(SendCommand, WritesUnchangedOrIsHeardAsAnErrorOnAFailedWrite)
{
    const struct {
        const char *name;
        bool open, failWrite, speechOn;
        std::vector<std::string> written;
        Clips clips;
    } cases[] = {
        { "open port", true, false, true, { "FA;" }, {} },
        { "closed port", false, false, true, {}, { "q7_error" } },
        { "device error", true, true, true, {}, { "q7_error" } },
        { "closed port while muted", false, false, false, {}, {} },
    };
    for (const auto &c : cases) {
        Harness h;
        h.port.opened = c.open;
        h.port.failWrite = c.failWrite;
        std::optional<Announcer::Mute> muted;
        if (!c.speechOn) {
            muted.emplace(h.announcer);
        }
        EXPECT_EQ(h.link.SendCommand(commands::kVfoA), c.written.size() == 1) << c.name;
        EXPECT_EQ(h.port.written, c.written) << c.name;
        EXPECT_EQ(h.sink.take(), c.clips) << c.name;
    }
}

TEST(ReceiveEvent, HandsEveryCompleteReplyOnInOrder)
{
    Harness h;
    h.link.ask(commands::kVfoA);
    EXPECT_EQ(h.arrive("FA00014025000;FB0000704"),
              (Clips { "14", "0", "2", "5", "pt", "0", "0", "a" }));
    EXPECT_EQ(h.link.rx_buffer(), "FB0000704");
    h.link.ask(commands::kVfoB);
    EXPECT_EQ(h.arrive("0100;"), (Clips { "7", "0", "4", "0", "pt", "1", "0", "b" }));
    EXPECT_EQ(h.link.rx_buffer(), "");
}

// The link's timer says the held readout once the reports have stopped, with events flowing.
TEST(ReceiveEvent, AHeldFrequencyReportIsSaidByTheTimerOnceTuningStops)
{
    Harness h;
    h.applyFullAuto();
    h.announcer.setSettle(20ms);
    h.announcer.setSettling(true);
    EXPECT_EQ(h.arrive("FA00014025000;"), Clips {});
    EXPECT_EQ(h.arrive("FA00014026000;MD3;"), Clips { "cw" }) << "the mode is not held";
    Clips heard;
    waitDeliveringEvents(5s, [&h, &heard] {
        heard = h.sink.take();
        return !heard.empty();
    });
    EXPECT_EQ(heard, (Clips { "14", "0", "2", "6", "pt", "0", "0" }));
}

TEST(AskAndWait, ReturnsAtOnceWithoutDeliveringEventsWhenNothingIsAwaited)
{
    Harness h;
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    EXPECT_EQ(h.link.askAndWait(commands::kAutoInfoOn), Link::Asked::Waited);
    EXPECT_FALSE(delivered);
    QCoreApplication::processEvents();
    EXPECT_TRUE(delivered);
}

TEST(AskAndWait, EndsWhenItsOwnQueryHasBeenAnswered)
{
    Harness h;
    h.port.answers["FA;"] = "MD3;FA00014025000;"; // a report of the radio's own comes first
    const BlocksAfter blocked([&] { return !h.link.exchange().anyOutstanding(); });
    EXPECT_EQ(h.link.askAndWait(commands::kVfoA), Link::Asked::Waited);
    EXPECT_EQ(blocked.count(), 0) << "the wait went on after the answer";
    EXPECT_FALSE(h.link.exchange().anyOutstanding());
    EXPECT_EQ(h.sink.take(), (Clips { "cw", "14", "0", "2", "5", "pt", "0", "0", "a" }));
}

TEST(AskAndWait, GivesUpAfterHalfASecondWhenTheRadioIsSilent)
{
    Harness h;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(h.link.askAndWait(commands::kVfoA), Link::Asked::Waited);
    EXPECT_GE(clock.elapsed(), 500);
    EXPECT_LT(clock.elapsed(), 5000);
    h.port.failWrite = true;
    EXPECT_EQ(h.link.askAndWait(commands::kVfoA), Link::Asked::WriteFailed);
}

// An outer wait that is over must not keep waking one nested in it, which would then spin
// instead of blocking; once the nested wait ends, so does the outer one.
TEST(AskAndWait, AWaitNestedInOneThatIsOverBlocksAndThenBothEnd)
{
    bool outerOver = false;
    bool nested = false;
    const BlocksAfter nestedBlocks([&nested] { return nested; });
    QTimer::singleShot(0, [&] {
        outerOver = true;
        nested = true;
        waitDeliveringEvents(200ms, [] { return false; });
        nested = false;
    });
    QElapsedTimer clock;
    clock.start();
    waitDeliveringEvents(60s, [&outerOver] { return outerOver; });
    EXPECT_FALSE(nested);
    EXPECT_LT(nestedBlocks.count(), 10);
    EXPECT_LT(clock.elapsed(), 60'000) << "the outer wait ran to its end";
}

TEST(LockPoll, EachTickAsksForTheLockAndOnlyItsOwnReplyAnswersIt)
{
    Harness h;
    h.link.pollLock();
    EXPECT_EQ(h.port.written, std::vector<std::string> { "lk;" });
    h.arrive("MD3;");
    EXPECT_TRUE(h.link.exchange().anyOutstanding()) << "a report is no answer to the poll";
    h.arrive("LK0;");
    EXPECT_FALSE(h.link.exchange().anyOutstanding());
}

const std::vector<std::string> kFullHandshake
    = { "id;", "q72;q7;", "ai0;", "pc;", "if;", "fr;", "ft;",
        "ks;", "gt;",     "pa;",  "ra;", "fw;", "nb;" };

TEST(InitRadio, IdentifiesPrimesSilentlyAndReappliesTheReportMode)
{
    const struct {
        SettingValue mode;
        std::vector<std::string> applied;
        std::optional<ReportMode> marked;
    } cases[] = {
        { 0, { "AI0;" }, ReportMode::Manual },
        { 1, { "AI2;" }, ReportMode::SemiAuto },
        { 3, { "AI2;" }, ReportMode::FullAuto },
        { 2, {}, std::nullopt },
        { {}, {}, std::nullopt },
        { std::string("3"), {}, std::nullopt },
    };
    for (const auto &c : cases) {
        Harness h;
        h.settings = Settings { 1, c.mode, {} };
        RadioHandshake handshake(h.settings, h.interpreter, h.announcer, h.link);
        h.port.answerLikeAQ7();
        handshake.InitRadio();

        std::vector<std::string> written = kFullHandshake;
        written.insert(written.end(), c.applied.begin(), c.applied.end());
        EXPECT_EQ(h.port.written, written);
        EXPECT_EQ(h.port.events, (std::vector<std::string> { "close", "open 1" }));
        EXPECT_EQ(h.sink.take(), Clips { "q7_present" }) << "nothing is heard while priming";
        EXPECT_EQ(h.link.reportModes().applied(), c.marked);
        EXPECT_TRUE(h.announcer.speechOn());
        const RadioState &state = h.interpreter.state();
        EXPECT_TRUE(state.radio_found);
        EXPECT_FALSE(state.quiet_update);
        EXPECT_EQ(state.last_speed.get(), 20) << "primed from the keyer reply";
        EXPECT_EQ(state.firmware_format, PowerForm::Short);
    }
}

TEST(InitRadio, FailurePaths)
{
    const struct {
        const char *name;
        bool answers, lateIdentification, failOpen;
        SettingValue port;
        std::vector<std::string> written;
        Clips clips;
        bool openAfter;
    } cases[] = {
        { "radio answers only the lone q7;",
          true,
          true,
          false,
          1,
          { "id;", "q72;q7;", "q7;", "ai0;", "pc;", "if;", "fr;", "ft;", "ks;", "gt;", "pa;", "ra;",
            "fw;", "nb;", "AI0;" },
          { "q7_present" },
          true },
        { "silent radio",
          false,
          false,
          false,
          1,
          { "id;", "q72;q7;", "q7;" },
          { "q7_error" },
          false },
        { "port does not open", true, false, true, 1, {}, { "q7_error" }, false },
        { "port number is no number",
          true,
          false,
          false,
          std::string("COM1"),
          {},
          { "q7_error" },
          false },
    };
    for (const auto &c : cases) {
        Harness h;
        h.settings = Settings { c.port, 0, {} };
        RadioHandshake handshake(h.settings, h.interpreter, h.announcer, h.link);
        if (c.answers) {
            h.port.answerLikeAQ7();
        }
        if (c.lateIdentification) {
            h.port.answers.erase("q72;q7;");
        }
        h.port.failOpen = c.failOpen;
        handshake.InitRadio();
        EXPECT_EQ(h.port.written, c.written) << c.name;
        EXPECT_EQ(h.sink.take(), c.clips) << c.name;
        EXPECT_EQ(h.port.opened, c.openAfter) << c.name;
        EXPECT_TRUE(h.announcer.speechOn()) << c.name;
    }
}

TEST(InitRadio, ARequestDuringAHandshakeRunsItAgainAfterwardsInsteadOfNesting)
{
    Harness h;
    Settings &settings = h.settings;
    settings = Settings { 1, 0, {} };
    RadioHandshake handshake(settings, h.interpreter, h.announcer, h.link);
    h.port.answerLikeAQ7();
    bool asked = false;
    // The operator picks port 3 while the first handshake waits for its first reply.
    h.port.answers["id;"] = "ID019;";
    QTimer::singleShot(0, [&] {
        asked = true;
        settings.comm_port = 3;
        handshake.InitRadio();
        EXPECT_TRUE(handshake.running());
    });
    handshake.InitRadio();
    ASSERT_TRUE(asked);
    EXPECT_FALSE(handshake.running());

    std::vector<std::string> once = kFullHandshake;
    once.push_back("AI0;");
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(h.port.written, twice) << "two whole handshakes, each applying Manual";
    EXPECT_EQ(h.port.events, (std::vector<std::string> { "close", "open 1", "close", "open 3" }));
}

TEST(SerialPortNumbers, ConvertLikeThePortControl)
{
    const struct {
        SettingValue value;
        std::optional<int> number;
    } cases[] = {
        { 1, 1 },
        { 10, 10 },
        { 12, 12 },
        { {}, 0 },
        { 2.5, 2 },
        { 3.5, 4 },
        { std::string("3"), 3 },
        { std::string("COM3"), std::nullopt },
        { 40000, std::nullopt },
        { true, -1 },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(toPortNumber(c.value), c.number) << describeSetting(c.value);
    }
}

TEST(SerialPortNumbers, MapToALinkInTheWorkingDirectoryOrTheSystemPort)
{
    if (!kPortsAreLinks) {
        GTEST_SKIP() << "Comm ports are the system's COM ports here";
    }
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QFile::link("/dev/null", "com2");
    QFile::link(dir.filePath("unplugged"), "com3");
    EXPECT_EQ(serialDeviceFor(2), QDir(dir.path()).absoluteFilePath("com2"));
    EXPECT_EQ(serialDeviceFor(3), QDir(dir.path()).absoluteFilePath("com3"))
        << "an entry whose device is gone is still the port, not the built-in one";
    EXPECT_EQ(serialDeviceFor(1), "/dev/ttyS0");
    EXPECT_EQ(serialDeviceFor(10), "/dev/ttyS9");
    EXPECT_EQ(serialDeviceFor(0), std::nullopt);
    EXPECT_EQ(serialDeviceFor(-1), std::nullopt);
    QDir::setCurrent(previous);
}

TEST(SerialRadioPort, APortThatDoesNotExistFailsToOpenAndWritesFail)
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QFile::link(dir.filePath("nothing-here"), "com4");
    SerialRadioPort port;
    EXPECT_TRUE(port.setPortNumber(4));
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.write("FA;"));
    EXPECT_FALSE(port.setPortNumber(std::string("COM4")));
    EXPECT_TRUE(port.setPortNumber(0));
    EXPECT_FALSE(port.open());
    QDir::setCurrent(previous);
}

} // namespace
} // namespace vexalo::testing
