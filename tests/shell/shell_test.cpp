#include "announcer.h"
#include "band_edges.h"
#include "clip_recorder.h"
#include "fake_radio_port.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "link.h"
#include "operator_settings.h"
#include "q7status.h"
#include "radio_handshake.h"
#include "settings.h"
#include "shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

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
        link.setWindow(window);
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
    Settings g;
    Lifecycle lifecycle;
    ClipRecorder<> sink { timeline };
    Announcer announcer { sink, &lifecycle };
    Interpreter interpreter;
    FakeRadioPort port;
    Link link { g, interpreter, announcer, port, lifecycle };
    RadioHandshake handshake { g, interpreter, announcer, link };
    OperatorSettings operatorSettings { link, announcer, interpreter,
                                        dir.filePath("vexalo.step").toStdString() };
    BandEdges bandEdges;
    Q7Status window { WindowParts { g, interpreter, announcer, link, handshake, operatorSettings,
                                    bandEdges } };
    Shell shell {
        ShellParts { g, interpreter, announcer, port, link, handshake, window, lifecycle }, path
    };
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
        h.shell.start();
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
        EXPECT_TRUE(h.announcer.speechOn()) << c.name;

        h.shell.shutDown();
        EXPECT_EQ(h.fileContent(), c.savedAtShutdown) << c.name;
    }
}

TEST(FormLoad, APortThatDoesNotOpenIsHeardAndSkipsTheHandshake)
{
    ShellHarness h("5,0,#FALSE#\r\n");
    h.port.failOpen = true;
    h.shell.start();
    EXPECT_EQ(h.clips(), std::vector<std::string> { "q7_error" });
    EXPECT_TRUE(h.port.written.empty());
    EXPECT_EQ(h.checkedPorts(), std::vector<int> { 5 });
}

TEST(FormUnload, ReleasesTheRadioSavesSaysGoodbyeThenClosesThePortOnce)
{
    ShellHarness h("1,0,#FALSE#\r\n");
    h.shell.start();
    h.g.comm_port = 5;
    h.g.report_mode = 3;
    h.g.greeting_on = false;
    h.timeline.clear();

    QElapsedTimer clock;
    clock.start();
    h.shell.shutDown();
    EXPECT_GE(clock.elapsed(), 250) << "the port closes a quarter second after the farewell";
    // The quarter second counts from the farewell's audible end, not from when the player took
    // its last frames.
    EXPECT_EQ(h.timeline,
              (std::vector<std::string> { "write q70;", "clip 73s", "drain", "close" }));
    EXPECT_EQ(h.fileContent(), "5,3,#FALSE#\r\n");

    h.timeline.clear();
    h.window.close();
    h.shell.shutDown();
    EXPECT_TRUE(h.timeline.empty()) << "shutdown runs only once";
}

TEST(FormUnload, WithThePortClosedStillSavesAndSaysGoodbye)
{
    ShellHarness h("1,0,#FALSE#\r\n");
    h.port.failOpen = true;
    h.shell.start();
    h.timeline.clear();
    h.window.close(); // the window's close runs the shutdown
    EXPECT_EQ(h.timeline, (std::vector<std::string> { "clip 73s", "drain", "close" }));
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
        h.shell.start();
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
    h.shell.start();
    h.timeline.clear();
    h.port.failOpen = true;
    emit h.window.portEntryChosen(7);
    EXPECT_EQ(h.clips(), (std::vector<std::string> { "comm", "7", "q7_error" }));
    EXPECT_EQ(h.checkedPorts(), std::vector<int> { 7 });
    h.shell.shutDown();
    EXPECT_EQ(h.fileContent(), "7,0,#TRUE#\r\n");
}

// What is at the settings path, as far as the program could change it: its kind, and for a
// file (or a link's target) its permission bits and bytes.
struct PathState {
    std::string kind;
    unsigned mode = 0;
    std::string content;
    friend bool operator==(const PathState &, const PathState &) = default;
};

PathState stateOf(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat link { };
    if (lstat(name.constData(), &link) != 0) {
        return { "missing", 0, {} };
    }
    PathState state;
    if (S_ISLNK(link.st_mode)) {
        state.kind = "link to " + QFileInfo(path).symLinkTarget().toStdString() + ", ";
    }
    struct stat target { };
    stat(name.constData(), &target);
    if (S_ISDIR(target.st_mode)) {
        state.kind += "folder";
    } else if (S_ISFIFO(target.st_mode)) {
        state.kind += "fifo";
    } else {
        state.kind += "file";
        state.mode = target.st_mode & 07777;
        std::ifstream in(name.constData(), std::ios::binary);
        state.content.assign(std::istreambuf_iterator<char>(in), {});
    }
    return state;
}

enum class Put { File, Folder, Fifo, LinkToFile, Nothing };

struct BadFile {
    const char *name;
    Put put;
    std::string content;
    unsigned fileMode; // of the file, or of the link's target
    bool readOnlyFolder;
    bool asOperator; // permissions must hold: run by an ordinary user
    std::vector<std::string> heard; // at start-up
    std::optional<std::string> saved; // at shutdown; none: left exactly as it was
};

std::string show(const PathState &s)
{
    return s.kind + " " + std::to_string(s.mode) + " " + std::to_string(s.content.size())
        + " bytes: " + s.content.substr(0, 40);
}

// Starts and stops the program on the row's settings path and returns what went wrong.
std::string startAndStop(const BadFile &c, bool dropToNobody)
{
    ShellHarness h(std::nullopt);
    const QByteArray dir = QFile::encodeName(h.dir.path());
    if (dropToNobody) {
        const uid_t nobody = 65534;
        if (chown(dir.constData(), nobody, nobody) != 0 || setgid(nobody) != 0
            || setuid(nobody) != 0) {
            return "could not become nobody";
        }
    }
    const QByteArray path = QFile::encodeName(h.path);
    const QByteArray file = c.put == Put::LinkToFile ? dir + "/target.ini" : path;
    if (c.put == Put::File || c.put == Put::LinkToFile) {
        std::ofstream(file.constData(), std::ios::binary) << c.content;
        chmod(file.constData(), c.fileMode);
    }
    if (c.put == Put::LinkToFile) {
        symlink("target.ini", path.constData());
    } else if (c.put == Put::Folder) {
        mkdir(path.constData(), 0755);
    } else if (c.put == Put::Fifo) {
        mkfifo(path.constData(), 0644);
    }
    if (c.readOnlyFolder) {
        chmod(dir.constData(), 0555);
    }
    PathState expected = stateOf(h.path);
    if (c.saved) {
        expected.content = *c.saved;
    }

    std::string faults;
    h.shell.start();
    if (h.clips() != c.heard) {
        faults += "start-up heard " + ::testing::PrintToString(h.clips()) + "; ";
    }
    const bool errorPath = c.heard.back() == "q7_error";
    if (h.port.written.empty() != errorPath) {
        faults += errorPath ? "the handshake ran; " : "the handshake did not run; ";
    }
    h.shell.shutDown();
    if (const PathState after = stateOf(h.path); !(after == expected)) {
        faults += "after shutdown " + show(after) + ", expected " + show(expected);
    }
    chmod(dir.constData(), 0700);
    chmod(file.constData(), 0600);
    return faults;
}

// A settings file in every bad shape: none crashes or hangs start-up, each follows the
// start-up error rules, and shutdown either leaves the path as it was or writes the line.
TEST(SettingsFaults, EachStartsFollowsTheErrorRulesAndIsSavedOrLeftAlone)
{
    const std::string digits(30000, '9');
    const std::string garbage("\x89PNG\0\x1a\xff\x01", 8);
    const std::vector<std::string> greetAndFail { "dorvaneq7", "q7_error" };
    const std::vector<std::string> fail { "q7_error" };
    const std::vector<std::string> handshake { "q7_present" };
    const BadFile cases[] = {
        { "empty", Put::File, "", 0644, false, false, fail, ",,\r\n" },
        { "binary garbage", Put::File, garbage, 0644, false, false, fail,
          '"' + garbage + "\",,\r\n" },
        { "10 MB after the line: too large to be read or replaced",
          Put::File,
          "3,1,#FALSE#\r\n" + std::string(10 << 20, 'x'),
          0644,
          false,
          false,
          greetAndFail,
          {} },
        { "30,000-digit port", Put::File, digits + ",0,#TRUE#\r\n", 0644, false, false,
          greetAndFail, digits + ",0,#TRUE#\r\n" },
        { "30,000-digit mode and greeting", Put::File, "1," + digits + ',' + digits, 0644, false,
          false, handshake, "1," + digits + ',' + digits + "\r\n" },
        { "numbers a double cannot spell", Put::File, "100000000000000000000,0.00001,#FALSE#\r\n",
          0644, false, false, fail, "100000000000000000000,0.00001,#FALSE#\r\n" },
        { "401 digits", Put::File, "1,0," + std::string(401, '7'), 0644, false, false, handshake,
          "1,0," + std::string(401, '7') + "\r\n" },
        { "exponent", Put::File, "1e3,0,#TRUE#\r\n", 0644, false, false, greetAndFail,
          "\"1e3\",0,#TRUE#\r\n" },
        { "no line end", Put::File, "3,1,#FALSE#", 0644, false, false, handshake,
          "3,1,#FALSE#\r\n" },
        { "wrong types", Put::File, "#TRUE#,\"x\",5\r\n", 0644, false, false, fail,
          "#TRUE#,\"x\",5\r\n" },
        { "a folder in its place", Put::Folder, "", 0, false, false, greetAndFail, {} },
        { "a named pipe", Put::Fifo, "", 0, false, false, greetAndFail, {} },
        { "a link: written through to its target", Put::LinkToFile, "3,1,#FALSE#", 0644, false,
          false, handshake, "3,1,#FALSE#\r\n" },
        { "private file keeps its permissions", Put::File, "3,1,#FALSE#", 0600, false, false,
          handshake, "3,1,#FALSE#\r\n" },
        { "read-only file", Put::File, "3,1,#FALSE#", 0444, false, true, handshake, {} },
        { "unreadable file is not replaced",
          Put::File,
          "3,1,#FALSE#\r\n",
          0200,
          false,
          true,
          greetAndFail,
          {} },
        { "read-only folder, writable file", Put::File, "3,1,#FALSE#", 0640, true, true, handshake,
          "3,1,#FALSE#\r\n" },
        { "read-only folder, no file", Put::Nothing, "", 0, true, true, greetAndFail, {} },
    };
    for (const BadFile &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.asOperator && geteuid() == 0) {
            // Root ignores permissions: the row runs in a child that has become nobody.
            EXPECT_EXIT(
                {
                    const std::string faults = startAndStop(c, true);
                    std::fputs(faults.c_str(), stderr);
                    std::_Exit(faults.empty() ? 0 : 1);
                },
                ::testing::ExitedWithCode(0), "");
        } else {
            EXPECT_EQ(startAndStop(c, false), "");
        }
    }
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
        h.shell.start();
        for (const std::string &command : c.unanswered) {
            h.port.answers.erase(command);
        }
        h.timeline.clear();
        QTimer::singleShot(200, &h.window, [&h] { h.window.close(); });
        c.action(h);
        QCoreApplication::processEvents();
        EXPECT_EQ(fromRelease(h.timeline),
                  (std::vector<std::string> { "write q70;", "clip 73s", "drain", "close" }))
            << c.name;
        EXPECT_FALSE(h.port.isOpen()) << c.name;
        EXPECT_EQ(h.fileContent(), "1,0,#FALSE#\r\n") << c.name;
        EXPECT_TRUE(h.announcer.speechOn()) << c.name << ": no routine leaves the program mute";
    }
}

} // namespace
} // namespace vexalo::testing
