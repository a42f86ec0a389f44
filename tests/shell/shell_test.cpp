#include "clip_recorder.h"
#include "fake_radio_port.h"
#include "harness.h"
#include "lifecycle.h"
#include "link.h"
#include "q7status.h"
#include "radio_handshake.h"
#include "shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace vexalo::testing {
namespace {

struct ShellHarness {
    explicit ShellHarness(const std::optional<std::string> &settings)
    {
        if (settings) {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(settings->data(), static_cast<qint64>(settings->size()));
        }
        port.timeline = &timeline;
        port.answerLikeAQ7();
        interpreter.setWindow(window);
    }

    std::string fileContent() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<missing>";
    }

    Clips clips() const { return clipNames(timeline); }

    std::vector<int> checkedPorts() const
    {
        std::vector<int> result;
        for (int n = 1; n <= 10; ++n) {
            if (window.portChecked(n)) {
                result.push_back(n);
            }
        }
        return result;
    }

    QTemporaryDir dir;
    QString path = dir.filePath("vexalo.ini");
    std::vector<std::string> timeline;
    Q7Globals g;
    Lifecycle lifecycle;
    ClipRecorder<> sink { timeline };
    Speech speech { g, sink, &lifecycle };
    NoWindow noWindow;
    Interpreter interpreter { g, speech, noWindow };
    FakeRadioPort port;
    Link link { g, speech, interpreter, port, lifecycle };
    RadioHandshake handshake { g, speech, link };
    Q7Status window { WindowParts { g, speech, link, handshake } };
    Shell shell { ShellParts { g, speech, port, link, handshake, window, lifecycle }, path };
};

TEST(FormLoad, StartsFromTheSettingsFile)
{
    const struct {
        const char *name;
        std::optional<std::string> file;
        std::vector<std::string> clips;
        std::vector<int> checkedPorts;
        int openedPort;
        bool handshake;
        bool greeting, manual, semi, full;
        std::string savedAtShutdown;
    } cases[] = {
        { "first run",
          std::nullopt,
          { "dorvaneq7", "q7_present" },
          { 1 },
          1,
          true,
          true,
          true,
          false,
          false,
          "1,0,#TRUE#\r\n" },
        { "saved semi auto without greeting",
          "3,1,#FALSE#\r\n",
          { "q7_present" },
          { 3 },
          3,
          true,
          false,
          false,
          true,
          false,
          "3,1,#FALSE#\r\n" },
        { "port outside the menu",
          "12,3,#TRUE#\r\n",
          { "dorvaneq7", "q7_present" },
          {},
          12,
          true,
          true,
          false,
          false,
          true,
          "12,3,#TRUE#\r\n" },
        { "unused report mode",
          "1,2,#TRUE#\r\n",
          { "dorvaneq7", "q7_present" },
          { 1 },
          1,
          true,
          true,
          false,
          false,
          false,
          "1,2,#TRUE#\r\n" },
        { "greeting stored as -1",
          "2,0,-1\r\n",
          { "dorvaneq7", "q7_present" },
          { 2 },
          2,
          true,
          true,
          true,
          false,
          false,
          "2,0,-1\r\n" },
        { "empty file", "", { "q7_error" }, {}, 0, false, false, false, false, false, ",,\r\n" },
        { "incomplete file",
          "4,1\r\n",
          { "q7_error" },
          { 4 },
          4,
          false,
          false,
          false,
          false,
          false,
          "4,1,\r\n" },
    };
    for (const auto &c : cases) {
        ShellHarness h(c.file);
        h.shell.Form_Load();
        if (!c.file) {
            EXPECT_EQ(h.fileContent(), "1,0,#TRUE#\r\n") << c.name;
        }
        EXPECT_EQ(h.clips(), c.clips) << c.name;
        EXPECT_EQ(h.checkedPorts(), c.checkedPorts) << c.name;
        EXPECT_EQ(h.port.portNumber, c.openedPort) << c.name;
        EXPECT_EQ(!h.port.written.empty(), c.handshake) << c.name;
        EXPECT_EQ(h.window.greetingChecked(), c.greeting) << c.name;
        EXPECT_EQ(h.window.manualChecked(), c.manual) << c.name;
        EXPECT_EQ(h.window.semiChecked(), c.semi) << c.name;
        EXPECT_EQ(h.window.fullChecked(), c.full) << c.name;
        EXPECT_TRUE(h.g.speech_on) << c.name;

        h.shell.Form_Unload();
        EXPECT_EQ(h.fileContent(), c.savedAtShutdown) << c.name;
    }
}

TEST(FormLoad, APortThatDoesNotOpenIsHeardAndSkipsTheHandshake)
{
    ShellHarness h("5,0,#FALSE#\r\n");
    h.port.failOpen = true;
    h.shell.Form_Load();
    EXPECT_EQ(h.clips(), std::vector<std::string> { "q7_error" });
    EXPECT_TRUE(h.port.written.empty());
    EXPECT_EQ(h.checkedPorts(), std::vector<int> { 5 });
}

TEST(FormUnload, ReleasesTheRadioSavesSaysGoodbyeThenClosesThePortOnce)
{
    ShellHarness h("1,0,#FALSE#\r\n");
    h.shell.Form_Load();
    h.g.comm_port = 5;
    h.g.report_mode = 3;
    h.g.greeting_on = false;
    h.timeline.clear();

    QElapsedTimer clock;
    clock.start();
    h.shell.Form_Unload();
    EXPECT_GE(clock.elapsed(), 250) << "the port closes a quarter second after the farewell";
    EXPECT_EQ(h.timeline, (std::vector<std::string> { "write q70;", "clip 73s", "close" }));
    EXPECT_EQ(h.fileContent(), "5,3,#FALSE#\r\n");

    h.timeline.clear();
    h.window.close();
    h.shell.Form_Unload();
    EXPECT_TRUE(h.timeline.empty()) << "shutdown runs only once";
}

TEST(FormUnload, WithThePortClosedStillSavesAndSaysGoodbye)
{
    ShellHarness h("1,0,#FALSE#\r\n");
    h.port.failOpen = true;
    h.shell.Form_Load();
    h.timeline.clear();
    h.window.close(); // the window's close runs the shutdown
    EXPECT_EQ(h.timeline, (std::vector<std::string> { "clip 73s", "close" }));
    EXPECT_EQ(h.fileContent(), "1,0,#FALSE#\r\n");
}

TEST(SelectPort, ChecksOnlyTheChosenEntrySpeaksItAndRunsTheHandshakeThere)
{
    const struct {
        int port;
        std::vector<std::string> clips;
    } cases[] = {
        { 3, { "comm", "3", "q7_present" } },
        { 1, { "comm", "1", "q7_present" } },
        { 10, { "comm", "10", "q7_present" } },
    };
    for (const auto &c : cases) {
        ShellHarness h("1,0,#FALSE#\r\n");
        h.shell.Form_Load();
        h.timeline.clear();
        h.port.written.clear();
        emit h.window.portEntryChosen(c.port);
        EXPECT_EQ(h.checkedPorts(), std::vector<int> { c.port });
        EXPECT_EQ(h.clips(), c.clips);
        EXPECT_EQ(h.port.portNumber, c.port);
        EXPECT_EQ(h.port.written.front(), "id;");
        EXPECT_EQ(h.g.comm_port, SettingValue(c.port));
    }
}

TEST(SelectPort, APortThatFailsStaysChosenAndIsSaved)
{
    ShellHarness h("1,0,#TRUE#\r\n");
    h.shell.Form_Load();
    h.timeline.clear();
    h.port.failOpen = true;
    emit h.window.portEntryChosen(7);
    EXPECT_EQ(h.clips(), (std::vector<std::string> { "comm", "7", "q7_error" }));
    EXPECT_EQ(h.checkedPorts(), std::vector<int> { 7 });
    h.shell.Form_Unload();
    EXPECT_EQ(h.fileContent(), "7,0,#TRUE#\r\n");
}

} // namespace
} // namespace vexalo::testing

namespace vexalo::testing {
namespace {

// The part of the timeline from the release of the radio on.
std::vector<std::string> fromRelease(const std::vector<std::string> &timeline)
{
    const auto release = std::find(timeline.begin(), timeline.end(), "write q70;");
    return { release, timeline.end() };
}

TEST(Stopping, WhateverRunsTheShutdownIsFinalAndTheFarewellIsHeard)
{
    const struct {
        const char *name;
        std::vector<std::string> unanswered; // the radio stays silent to these
        void (*action)(ShellHarness &); // runs until the window is closed meanwhile
    } cases[] = {
        { "exit while the radio is being identified",
          { "id;", "q72;q7;", "q7;" },
          [](ShellHarness &h) { h.window.Radio_init_Click(); } },
        { "exit during the silent priming",
          { "pc;" },
          [](ShellHarness &h) { h.window.Radio_init_Click(); } },
        { "exit during the RIT/XIT wait",
          { "if;" },
          [](ShellHarness &h) { h.window.RIT_get_Click(); } },
        { "a second Reinitialize queued before the exit",
          { "id;", "q72;q7;", "q7;" },
          [](ShellHarness &h) {
              QTimer::singleShot(100, &h.window, [&h] { h.window.Radio_init_Click(); });
              h.window.Radio_init_Click();
          } },
    };
    for (const auto &c : cases) {
        ShellHarness h("1,0,#FALSE#\r\n");
        h.shell.Form_Load();
        for (const std::string &command : c.unanswered) {
            h.port.answers.erase(command);
        }
        h.timeline.clear();
        QTimer::singleShot(200, &h.window, [&h] { h.window.close(); });
        c.action(h);
        QCoreApplication::processEvents();
        EXPECT_EQ(fromRelease(h.timeline),
                  (std::vector<std::string> { "write q70;", "clip 73s", "close" }))
            << c.name;
        EXPECT_FALSE(h.port.isOpen()) << c.name;
        EXPECT_EQ(h.fileContent(), "1,0,#FALSE#\r\n") << c.name;
        EXPECT_TRUE(h.g.speech_on) << c.name << ": no routine leaves the program mute";
    }
}

} // namespace
} // namespace vexalo::testing
