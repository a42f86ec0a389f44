#include "commands.h"
#include "fake_radio_port.h"
#include "harness.h"
#include "link.h"
#include "radio_handshake.h"
#include "report_mode_commands.h"
#include "serial_radio_port.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace vexalo::testing {
namespace {

using namespace std::chrono_literals;

struct LinkHarness : Harness {
    LinkHarness() { port.opened = true; }

    FakeRadioPort port;
    Link link { g, speech, interpreter, port, lifecycle };
};

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
        LinkHarness h;
        h.port.opened = c.open;
        h.port.failWrite = c.failWrite;
        h.g.speech_on = c.speechOn;
        h.link.SendCommand(commands::kVfoA);
        EXPECT_EQ(h.port.written, c.written) << c.name;
        EXPECT_EQ(h.sink.take(), c.clips) << c.name;
    }
}

TEST(ReceiveEvent, HandsEveryCompleteReplyToTheInterpreterInOrder)
{
    LinkHarness h;
    h.g.reply_pending = true;
    h.port.arrive("FA00014025000;FB0000704");
    EXPECT_EQ(h.sink.take(), (Clips { "14", "0", "2", "5", "pt", "0", "0", "a" }));
    EXPECT_EQ(h.link.rx_buffer(), "FB0000704");
    h.g.reply_pending = true;
    h.port.arrive("0100;");
    EXPECT_EQ(h.sink.take(), (Clips { "7", "0", "4", "0", "pt", "1", "0", "b" }));
    EXPECT_EQ(h.link.rx_buffer(), "");
}

TEST(WaitReply, ReturnsAtOnceWithoutDeliveringEventsWhenNothingIsAwaited)
{
    LinkHarness h;
    bool delivered = false;
    QTimer::singleShot(0, [&] { delivered = true; });
    h.link.WaitReply();
    EXPECT_FALSE(delivered);
    QCoreApplication::processEvents();
    EXPECT_TRUE(delivered);
}

TEST(WaitReply, EndsWhenTheAwaitedReplyHasBeenHandled)
{
    LinkHarness h;
    h.port.answers["FA;"] = "FA00014025000;";
    h.g.reply_pending = true;
    h.link.SendCommand(commands::kVfoA);
    QElapsedTimer clock;
    clock.start();
    h.link.WaitReply();
    EXPECT_LT(clock.elapsed(), 450);
    EXPECT_FALSE(h.g.reply_pending);
    EXPECT_EQ(h.sink.take().back(), "a");
}

TEST(WaitReply, GivesUpAfterHalfASecondWhenTheRadioIsSilent)
{
    LinkHarness h;
    h.g.reply_pending = true;
    h.link.SendCommand(commands::kVfoA);
    QElapsedTimer clock;
    clock.start();
    h.link.WaitReply();
    EXPECT_GE(clock.elapsed(), 500);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(h.g.reply_pending);
}

TEST(LockPoll, EachTickMarksTheReplyAsAskedForAndSendsLk)
{
    LinkHarness h;
    h.port.answers["lk;"] = "LK0;";
    h.link.Timer1_Timer();
    EXPECT_TRUE(h.g.reply_pending);
    EXPECT_EQ(h.port.written, std::vector<std::string> { "lk;" });
    h.link.WaitReply();
    EXPECT_FALSE(h.g.reply_pending) << "an unknown reply still ends the wait";
}

class RecordingModes : public ReportModeCommands {
public:
    void Manual_report_Click() override { calls.push_back("manual"); }
    void Semi_report_Click() override { calls.push_back("semi"); }
    void Full_report_Click() override { calls.push_back("full"); }
    std::vector<std::string> calls;
};

const std::vector<std::string> kFullHandshake
    = { "id;", "q72;q7;", "ai0;", "pc;", "if;", "fr;", "ft;",
        "ks;", "gt;",     "pa;",  "ra;", "fw;", "nb;" };

TEST(InitRadio, IdentifiesPrimesSilentlyAndReappliesTheReportMode)
{
    const struct {
        SettingValue mode;
        std::vector<std::string> calls;
    } cases[] = {
        { 0, { "manual" } }, { 1, { "semi" } }, { 3, { "full" } },
        { 2, {} },           { {}, {} },        { std::string("3"), {} },
    };
    for (const auto &c : cases) {
        LinkHarness h;
        RadioHandshake handshake(h.g, h.speech, h.link);
        RecordingModes modes;
        h.port.answerLikeAQ7();
        h.g.comm_port = 1;
        h.g.report_mode = c.mode;
        handshake.InitRadio(modes);

        EXPECT_EQ(h.port.written, kFullHandshake);
        EXPECT_EQ(h.port.events, (std::vector<std::string> { "close", "open 1" }));
        EXPECT_EQ(h.sink.take(), Clips { "q7_present" }) << "nothing is heard while priming";
        EXPECT_EQ(modes.calls, c.calls);
        EXPECT_TRUE(h.g.speech_on);
        EXPECT_TRUE(h.g.radio_found);
        EXPECT_FALSE(h.g.quiet_update);
        EXPECT_EQ(h.g.last_speed.get(), 20) << "primed from the keyer reply";
        EXPECT_EQ(h.g.firmware_format, PowerForm::Short);
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
            "fw;", "nb;" },
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
        LinkHarness h;
        RadioHandshake handshake(h.g, h.speech, h.link);
        RecordingModes modes;
        if (c.answers) {
            h.port.answerLikeAQ7();
        }
        if (c.lateIdentification) {
            h.port.answers.erase("q72;q7;");
        }
        h.port.failOpen = c.failOpen;
        h.g.comm_port = c.port;
        handshake.InitRadio(modes);
        EXPECT_EQ(h.port.written, c.written) << c.name;
        EXPECT_EQ(h.sink.take(), c.clips) << c.name;
        EXPECT_EQ(h.port.opened, c.openAfter) << c.name;
        EXPECT_TRUE(h.g.speech_on) << c.name;
    }
}

TEST(InitRadio, ARequestDuringAHandshakeRunsItAgainAfterwardsInsteadOfNesting)
{
    LinkHarness h;
    RadioHandshake handshake(h.g, h.speech, h.link);
    RecordingModes modes;
    h.port.answerLikeAQ7();
    h.g.comm_port = 1;
    h.g.report_mode = 0;
    bool asked = false;
    // The operator picks port 3 while the first handshake waits for its first reply.
    h.port.answers["id;"] = "ID019;";
    QTimer::singleShot(0, [&] {
        asked = true;
        h.g.comm_port = 3;
        handshake.InitRadio(modes);
        EXPECT_TRUE(handshake.running());
    });
    handshake.InitRadio(modes);
    ASSERT_TRUE(asked);
    EXPECT_FALSE(handshake.running());

    std::vector<std::string> twice = kFullHandshake;
    twice.insert(twice.end(), kFullHandshake.begin(), kFullHandshake.end());
    EXPECT_EQ(h.port.written, twice) << "two whole handshakes, one after the other";
    EXPECT_EQ(h.port.events, (std::vector<std::string> { "close", "open 1", "close", "open 3" }));
    EXPECT_EQ(modes.calls, (std::vector<std::string> { "manual", "manual" }));
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
