// Sharing the radio, with the real program, the real simulated radio and real clients: Hamlib's
// rigctl (model 2) reads and sets the Q7 through Vexalo, the answers are laid out as rigctld's
// own (its dummy rig, model 1, is the reference), clients that misbehave harm nobody else, a
// program on the pass-through port never reaches the radio's report mode or link, and a radio
// on another computer is reached through socat.
#include "program_run.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace vexalo::testing {
namespace {

using Strings = std::vector<std::string>;

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Runs a program to its end (bounded) and returns what it wrote on standard output.
std::string runTool(const QString &program, const QStringList &args)
{
    QProcess tool;
    tool.start(program, args);
    EXPECT_TRUE(tool.waitForFinished(20000)) << program.toStdString();
    return tool.readAllStandardOutput().toStdString();
}

// A client of the raw protocol. Each request is followed by "+\get_powerstat", whose answer
// marks the end of the one before it (so that request itself is left out of the table below).
// ("+\chk_vfo" would not do: rigctld then answers the next request in the extended style too.)
class RawClient {
public:
    explicit RawClient(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(socket.waitForConnected(5000));
    }
    std::string ask(const std::string &line)
    {
        static const std::string marker = "get_powerstat:\nPower Status: 1\nRPRT 0\n";
        socket.write(QByteArray::fromStdString(line + "\n+\\get_powerstat\n"));
        std::string answer;
        QElapsedTimer clock;
        clock.start();
        while (!answer.ends_with(marker) && clock.elapsed() < 10000) {
            socket.waitForReadyRead(100);
            answer += socket.readAll().toStdString();
        }
        return answer.substr(0, answer.size() - std::min(answer.size(), marker.size()));
    }
    // Until the server closes the connection; what came before.
    std::string untilClosed()
    {
        std::string rest;
        QElapsedTimer clock;
        clock.start();
        while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < 10000) {
            socket.waitForReadyRead(100);
            rest += socket.readAll().toStdString();
        }
        return rest + socket.readAll().toStdString();
    }
    QTcpSocket socket;
};

// A program on the pass-through port, raw as a serial line unless it leaves the port as a
// terminal has it (cooked, echoing).
class CatClient {
public:
    explicit CatClient(const QString &path, bool raw = true)
    {
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(fd, 0) << path.toStdString() << ": " << std::strerror(errno);
        termios tio {};
        ::tcgetattr(fd, &tio);
        if (raw) {
            cfmakeraw(&tio);
        } else {
            // As "stty sane" leaves it.
            tio.c_iflag |= ICRNL | IXON;
            tio.c_oflag |= OPOST | ONLCR;
            tio.c_lflag |= ECHO | ECHOE | ECHOK | ICANON | ISIG | IEXTEN;
        }
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ~CatClient() { ::close(fd); }
    // Writes the commands and reads what comes back before the answer to a last "ID;", which
    // the radio answers after everything asked before it.
    std::string talk(const std::string &commands)
    {
        static const std::string marker = "ID947;";
        const std::string all = commands + "ID;";
        EXPECT_EQ(::write(fd, all.data(), all.size()), static_cast<ssize_t>(all.size()));
        std::string heard;
        char buffer[512];
        QElapsedTimer clock;
        clock.start();
        while (!heard.ends_with(marker) && clock.elapsed() < 10000) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                heard.append(buffer, static_cast<std::size_t>(n));
            } else {
                QThread::msleep(10);
            }
        }
        return heard.substr(0, heard.size() - std::min(heard.size(), marker.size()));
    }
    int fd = -1;
};

// Lets the program run on for a while, reading its log.
void runFor(ProgramRun &run, std::chrono::milliseconds time)
{
    run.waitFor("\n", time);
}

bool logged(const ProgramRun &run, const std::string &start, const std::string &end)
{
    return std::any_of(run.log.begin(), run.log.end(), [&](const LogLine &line) {
        return line.text.starts_with(start) && line.text.ends_with(end);
    });
}

// Until a line of the log starts with `start` and ends with `end`, or ten seconds have passed.
bool waitForLogged(ProgramRun &run, const std::string &start, const std::string &end)
{
    QElapsedTimer clock;
    clock.start();
    while (!logged(run, start, end) && clock.elapsed() < 10000) {
        runFor(run, std::chrono::milliseconds(50));
    }
    return logged(run, start, end);
}

std::size_t countLogged(const ProgramRun &run, const std::string &start, const std::string &end)
{
    return static_cast<std::size_t>(
        std::count_if(run.log.begin(), run.log.end(), [&](const LogLine &line) {
            return line.text.starts_with(start) && line.text.ends_with(end);
        }));
}

// A German desktop, whose numbers have a decimal comma: the locale is made in `folder`, so that
// the machine needs none installed. The environment that gives it to a program.
QProcessEnvironment commaDesktop(const QString &folder)
{
    QProcess localedef;
    localedef.start("localedef", { "-i", "de_DE", "-f", "UTF-8", folder + "/de_DE.UTF-8" });
    EXPECT_TRUE(localedef.waitForFinished(120000));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LOCPATH", folder);
    env.insert("LANG", "de_DE.UTF-8");
    env.insert("LC_ALL", "de_DE.UTF-8");
    QProcess locale;
    locale.setProcessEnvironment(env);
    locale.start("locale", { "-k", "decimal_point" });
    locale.waitForFinished(10000);
    EXPECT_EQ(locale.readAllStandardOutput().trimmed(), "decimal_point=\",\"");
    return env;
}

// Sharing starts once the handshake is over, which may be after the report mode is sent; a
// way in that could not be had is noted, and the note is the failure's message.
::testing::AssertionResult sharingStarted(ProgramRun &run)
{
    QElapsedTimer clock;
    clock.start();
    while (!logged(run, "Sharing the radio: ", "") && clock.elapsed() < 10000) {
        runFor(run, std::chrono::milliseconds(50));
    }
    std::string notes;
    for (const LogLine &line : run.log) {
        if (line.text.starts_with("Sharing")) {
            notes += line.text + "\n";
        }
    }
    const bool both = logged(run, "Sharing the radio: ", "")
        && notes.find("pass-through port cat1") != std::string::npos;
    return both ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << notes;
}

Strings startingAt(const Strings &all, std::size_t from)
{
    return Strings(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())),
                   all.end());
}

void rigctlReadsAndSets(bool commaDesktopLanguage);

// Also on a desktop whose language writes numbers with a decimal comma: the protocol's
// "F 7074000.000000" is read as the protocol spells it.
TEST(Sharing, HamlibsRigctlReadsAndSetsTheRadioAndASetIsHeardInFullAuto)
{
    for (const bool comma : { false, true }) {
        SCOPED_TRACE(comma ? "decimal-comma desktop (de_DE.UTF-8)" : "the system's language");
        rigctlReadsAndSets(comma);
    }
}

void rigctlReadsAndSets(bool commaDesktopLanguage)
{
    ProgramRun run;
    if (commaDesktopLanguage) {
        run.environment = commaDesktop(run.dir.path());
    }
    run.writeSettings("1,3,#FALSE#\r\n");
    run.startRadio();
    const QString port = QString::number(freePort());
    run.startVexalo({ "--share=" + port });
    ASSERT_TRUE(run.waitFor("send AI2;"));
    ASSERT_TRUE(run.waitFor("Sharing the radio: rigctl on 127.0.0.1:" + port.toStdString()
                            + ", pass-through port cat1 ("
                            + QFileInfo(run.path("cat1")).symLinkTarget().toStdString() + ")"));
    const QStringList rig { "-m", "2", "-r", "127.0.0.1:" + port };
    const struct {
        QStringList commands;
        std::string printed;
        std::string radioGot; // the setting q7sim received
        Strings heard; // as q7sim reports the change, in Full Auto
    } steps[] = {
        { { "f", "m", "v", "s" }, "14025000\nCW\n500\nVFOA\n0\nVFOA\n", "", {} },
        { { "F", "7074000" }, "", "FA00007074000;", { "7", "0", "7", "4", "pt", "0", "0" } },
        { { "M", "PKTUSB", "2400" }, "", "MD6;", { "data" } },
        { { "f", "m" }, "7074000\nPKTUSB\n2400\n", "", {} },
        { { "V", "VFOB" }, "", "FR1;", { "b" } },
        { { "v", "f" }, "VFOB\n14030000\n", "", {} },
        { { "V", "VFOA" }, "", "FR0;", { "a" } },
        { { "S", "1", "VFOB" }, "", "FT1;", { "split", "a" } },
        { { "s" }, "1\nVFOB\n", "", {} },
        { { "S", "0", "VFOA" }, "", "FT0;", { "norm", "a" } },
        { { "j", "z" }, "0\n0\n", "", {} },
    };
    for (const auto &step : steps) {
        const std::string what = step.commands.join(' ').toStdString();
        const std::size_t clipsBefore = run.clips().size();
        EXPECT_EQ(runTool("rigctl", rig + step.commands), step.printed) << what;
        if (!step.radioGot.empty()) {
            const Strings got = run.radioCommands();
            EXPECT_NE(std::find(got.begin(), got.end(), step.radioGot), got.end()) << what;
        }
        run.waitForClips(clipsBefore + step.heard.size());
        runFor(run, std::chrono::milliseconds(200)); // nothing more
        EXPECT_EQ(startingAt(run.clips(), clipsBefore), step.heard) << what;
    }
    EXPECT_EQ(run.stopVexalo(), 0);
    EXPECT_TRUE(logged(run, "Sharing: rigctl client 1 (127.0.0.1:", ") connected"));
    EXPECT_TRUE(logged(run, "Sharing: rigctl client 1 (127.0.0.1:", ") left"));
    EXPECT_FALSE(QFileInfo::exists(run.path("cat1"))) << "the link goes with the program";
}

// Values differ (a Q7 is no dummy rig); the layout may not: which lines, in which order, with
// which labels and separators, and every result code.
std::string layout(std::string answer)
{
    static const QRegularExpression values(QStringLiteral(
        "(?<=^|[\\n;|,: ])(-?[0-9]+(\\.[0-9]+)?|USB|LSB|CWR|CW|PKTUSB|PKTLSB|FM|AM|RTTY|"
        "VFOA|VFOB|Main|Sub)(?=$|[\\n;|,])"));
    QString text = QString::fromStdString(answer);
    // Result codes are kept as they are.
    text.replace(QRegularExpression(QStringLiteral("RPRT (-?[0-9]+)")),
                 QStringLiteral("RPRT<\\1>"));
    text.replace(values, QStringLiteral("#"));
    return text.toStdString();
}

TEST(Sharing, AnswersAreLaidOutAsRigctldLaysThemOut)
{
    ProgramRun run;
    run.startRadio();
    const quint16 port = freePort();
    run.startVexalo({ QStringLiteral("--share=%1").arg(port) });
    ASSERT_TRUE(run.waitFor("send AI0;"));
    ASSERT_TRUE(sharingStarted(run));
    const quint16 dummyPort = freePort();
    QProcess rigctld;
    rigctld.start("rigctld", { "-m", "1", "-T", "127.0.0.1", "-t", QString::number(dummyPort) });
    ASSERT_TRUE(rigctld.waitForStarted());
    QTcpSocket probe;
    for (int i = 0; i < 100 && probe.state() != QAbstractSocket::ConnectedState; ++i) {
        QThread::msleep(100);
        probe.connectToHost(QHostAddress::LocalHost, dummyPort);
        probe.waitForConnected(1000);
    }
    probe.close();
    RawClient vexalo(port);
    RawClient dummy(dummyPort);
    // Not here, as they differ on purpose: t and T (the Q7 has no transmit: -11; the dummy
    // answers either way), an unknown command (rigctld answers nothing at all), \dump_state
    // (another rig's abilities).
    const char *const requests[] = {
        "f",
        "+f",
        ";f",
        "|m",
        "m",
        "+m",
        "v",
        "+v",
        ",v",
        "s",
        "+s",
        "i",
        "+i",
        "x",
        "+x",
        "k",
        "+k",
        "F 7074000",
        "+F 7074000",
        "M USB 2400",
        "+M USB 2400",
        ";M PKTUSB 2400",
        "V VFOA",
        "+V VFOA",
        "S 1 VFOB",
        "+s",
        "S 0 VFOA",
        "I 7075000",
        "+I 7075000",
        "X USB 2400",
        "\\get_powerstat",
        "\\get_vfo_info VFOA",
        "+\\get_vfo_info VFOA",
        "\\chk_vfo",
        "+\\chk_vfo",
        "j",
        "+j",
        ";z",
        "f m v",
    };
    for (const char *request : requests) {
        const std::string ours = vexalo.ask(request);
        EXPECT_EQ(layout(ours), layout(dummy.ask(request))) << request << " -> " << ours;
    }
    // And through Hamlib's own client.
    const QStringList list { "f",   "m",    "v", "s",    "i", "x", "F",    "7074000", "M",
                             "USB", "2400", "V", "VFOA", "S", "0", "VFOA", "f" };
    const auto client = [&](quint16 at) {
        return runTool("rigctl",
                       QStringList { "-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(at) }
                           + list);
    };
    const std::string ours = client(port);
    EXPECT_EQ(layout(ours), layout(client(dummyPort))) << ours;
    EXPECT_EQ(std::count(ours.begin(), ours.end(), '\n'), 10) << ours; // every value printed
    vexalo.socket.write("q\n");
    dummy.socket.write("q\n");
    EXPECT_EQ(vexalo.untilClosed(), dummy.untilClosed());
    rigctld.terminate();
    rigctld.waitForFinished(5000);
    EXPECT_EQ(run.stopVexalo(), 0);
}

TEST(Sharing, ClientsThatFloodBabbleOrVanishHarmNobodyElse)
{
    ProgramRun run;
    run.writeSettings("1,0,#FALSE#\r\n");
    run.startRadio();
    const quint16 port = freePort();
    run.startVexalo({ QStringLiteral("--share=%1").arg(port) });
    ASSERT_TRUE(run.waitFor("send AI0;"));
    ASSERT_TRUE(sharingStarted(run));
    RawClient good(port);
    EXPECT_EQ(good.ask("f"), "14025000\n");

    RawClient flooder(port);
    flooder.socket.write(QByteArray("f\n").repeated(5000));
    flooder.untilClosed();
    EXPECT_EQ(flooder.socket.state(), QAbstractSocket::UnconnectedState) << "disconnected";
    EXPECT_EQ(good.ask("v"), "VFOA\n");

    RawClient babbler(port);
    QByteArray garbage(1 << 20, '\0');
    QRandomGenerator random(7);
    for (char &c : garbage) {
        c = static_cast<char>(random.bounded(256));
    }
    babbler.socket.write(garbage);
    babbler.socket.write("\nf\n");
    const std::string heard = babbler.untilClosed();
    EXPECT_NE(heard.find("RPRT -"), std::string::npos) << "garbage is answered with an error";
    EXPECT_EQ(good.ask("m"), "CW\n500\n");

    const std::size_t clipsBefore = run.clips().size();
    for (int i = 0; i < 5; ++i) {
        RawClient vanishing(port);
        vanishing.socket.write("f\nF 7000000\n");
        vanishing.socket.waitForBytesWritten(1000);
        vanishing.socket.abort();
    }
    EXPECT_EQ(good.ask("\\get_vfo_info VFOB"), "14030000\nCW\n500\n0\n0\n");
    EXPECT_EQ(run.clips().size(), clipsBefore) << "no client's answer is ever said";

    // Eight at once, one of them sent away and still in its goodbye (it neither reads nor
    // closes): it no longer counts, and a ninth is welcome.
    std::vector<std::unique_ptr<RawClient>> others;
    for (int i = 0; i < 7; ++i) {
        others.push_back(std::make_unique<RawClient>(port));
    }
    const std::string flooding = "disconnected: it sent more than the radio can answer";
    runFor(run, std::chrono::milliseconds(50)); // what it has logged so far
    const std::size_t sentAway = countLogged(run, "Sharing: rigctl client ", flooding);
    others.back()->socket.write(QByteArray("f\n").repeated(5000));
    others.back()->socket.waitForBytesWritten(5000);
    QElapsedTimer clock;
    clock.start();
    while (countLogged(run, "Sharing: rigctl client ", flooding) == sentAway
           && clock.elapsed() < 10000) {
        runFor(run, std::chrono::milliseconds(50));
    }
    EXPECT_EQ(countLogged(run, "Sharing: rigctl client ", flooding), sentAway + 1);
    RawClient ninth(port);
    EXPECT_EQ(ninth.ask("f"), "14025000\n") << "a client in its goodbye counted against eight";

    // Only whole commands of the radio's own reached it, and nothing of the garbage.
    const QRegularExpression command(
        QStringLiteral("^(?:[A-Za-z]{2}[0-9]*|q7[0-9]*|q72;q7|FA[0-9]{11}|FB[0-9]{11});$"));
    for (const std::string &got : run.radioCommands()) {
        EXPECT_TRUE(command.match(QString::fromStdString(got)).hasMatch()) << got;
    }
    EXPECT_EQ(run.stopVexalo(), 0);
    EXPECT_TRUE(logged(run, "Sharing: rigctl client 2 ",
                       "disconnected: it sent more than the radio can answer"));
}

TEST(Sharing, ATakenPortIsReportedAndVexaloRunsOnWithThePassThroughPort)
{
    ProgramRun run;
    run.startRadio();
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::LocalHost, 0));
    // Switched on once for every start, as the operator does.
    QFile options(run.path("vexalo.conf"));
    ASSERT_TRUE(options.open(QIODevice::WriteOnly));
    options.write(QStringLiteral("--share=%1\n").arg(squatter.serverPort()).toUtf8());
    options.close();
    run.startVexalo();
    ASSERT_TRUE(run.waitFor("send AI0;"));
    EXPECT_TRUE(
        run.waitFor(QStringLiteral("Sharing: cannot listen on 127.0.0.1:%1 (The bound address is "
                                   "already in use); Vexalo runs on without the rigctl endpoint")
                        .arg(squatter.serverPort())
                        .toStdString()));
    CatClient program(run.path("cat1"));
    EXPECT_EQ(program.talk("FA;"), "FA00014025000;");
    EXPECT_EQ(run.stopVexalo(), 0);
}

TEST(Sharing, APassThroughProgramNeverReachesTheReportModeOrTheLinkAndManualStaysSilent)
{
    const struct {
        QByteArray settings;
        Strings radioAfterHandshake; // Vexalo's own, the program's one query, Vexalo's release
    } cases[] = {
        { "1,1,#FALSE#\r\n",
          { "AI2;", "FA;", "ID;", "MD2;", "ID;", "FA00007074000;", "FA;", "ID;", "q70;" } },
        // In Manual the radio reports for the program alone, and Vexalo switches that off
        // before it releases the radio.
        { "1,0,#FALSE#\r\n",
          { "AI0;", "AI2;", "FA;", "ID;", "MD2;", "ID;", "FA00007074000;", "FA;", "ID;", "AI0;",
            "q70;" } },
    };
    for (const auto &c : cases) {
        ProgramRun run;
        run.writeSettings(c.settings);
        run.startRadio();
        run.startVexalo({ "--share=" + QString::number(freePort()) });
        ASSERT_TRUE(run.waitFor(c.settings.startsWith("1,0") ? "send AI0;" : "send AI2;"));
        runFor(run, std::chrono::milliseconds(200));
        ASSERT_TRUE(logged(run, "Sharing the radio: rigctl on 127.0.0.1:", ")"));
        const std::size_t handshake = run.radioCommands().size() - 1;
        const std::size_t clipsBefore = run.clips().size();
        CatClient program(run.path("cat1"));
        EXPECT_EQ(program.talk("AI2;q70;q72;q7;AI;FA;"), "Q72;AI2;FA00014025000;");
        // Its own setting comes back as the radio's reports, which it has switched on.
        EXPECT_EQ(program.talk("MD2;"), "MD2;IF0001402500000000+000000000020000000;");
        // As a digital-mode program tunes and reads back: the report, then the answer.
        EXPECT_EQ(program.talk("FA00007074000;FA;"), "FA00007074000;FA00007074000;");
        const bool manual = c.settings.startsWith("1,0");
        run.waitForClips(clipsBefore + (manual ? 0 : 1));
        runFor(run, std::chrono::milliseconds(300)); // nothing more (it can only pass wrongly)
        EXPECT_EQ(startingAt(run.clips(), clipsBefore), manual ? Strings {} : Strings { "usb" });
        EXPECT_EQ(run.stopVexalo(), 0);
        EXPECT_EQ(startingAt(run.radioCommands(), handshake), c.radioAfterHandshake);
    }
}

// A program on the pass-through port that writes `flood` without end and never reads: each
// time it is sent away it opens the port again, for `seconds`. With "squat" it puts a file of
// its own where the link was, once it has the port open, and floods once.
const char *const kFlooder = R"(
import errno, os, sys, time
flood, seconds, squat = sys.argv[1].encode() * 100, float(sys.argv[2]), sys.argv[3] == "squat"
end = time.time() + seconds
while time.time() < end:
    try:
        fd = os.open("cat1", os.O_WRONLY | os.O_NOCTTY | os.O_NONBLOCK)
    except OSError:
        time.sleep(0.01)
        continue
    if squat:
        os.remove("cat1")
        with open("cat1", "w") as mine:
            mine.write("mine\n")
    try:
        while time.time() < end:
            try:
                os.write(fd, flood)
            except BlockingIOError:
                time.sleep(0.001)
    except OSError:
        pass
    os.close(fd)
    if squat:
        break
)";

TEST(Sharing, AProgramFloodingThePassThroughPortIsSentAwayAndHarmsNobodyElse)
{
    const struct {
        const char *name;
        const char *flood;
        bool squat;
    } cases[] = {
        { "what Vexalo answers itself, never read", "AI;", false },
        { "commands the Q7 has not got", "XX;", false },
        { "the radio's commands", "FA;", false },
        { "with a file of its own put in place of cat1", "AI;", true },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramRun run;
        run.writeSettings("1,0,#FALSE#\r\n");
        run.startRadio();
        const quint16 port = freePort();
        run.startVexalo({ QStringLiteral("--share=%1").arg(port) });
        ASSERT_TRUE(run.waitFor("send AI0;"));
        ASSERT_TRUE(sharingStarted(run));
        RawClient other(port);
        const double cpuBefore = run.cpuSeconds();
        QProcess flooder;
        flooder.setWorkingDirectory(run.dir.path());
        flooder.start("/usr/bin/python3",
                      { "-c", kFlooder, c.flood, c.squat ? "5" : "3", c.squat ? "squat" : "" });
        ASSERT_TRUE(flooder.waitForStarted());
        // While it floods, another client is answered, every time: with the frequency, or, when
        // a busy machine keeps the simulated radio from answering in time, with the timeout.
        int asked = 0;
        int timedOut = 0;
        qint64 slowest = 0;
        while (flooder.state() != QProcess::NotRunning) {
            QElapsedTimer answer;
            answer.start();
            const std::string frequency = other.ask("f");
            timedOut += frequency == "RPRT -5\n" ? 1 : 0;
            EXPECT_TRUE(frequency == "14025000\n" || frequency == "RPRT -5\n")
                << "asked " << asked << " times: " << frequency;
            slowest = std::max(slowest, answer.elapsed());
            ++asked;
            runFor(run, std::chrono::milliseconds(50)); // its log read, so that it never waits
            flooder.waitForFinished(0);
        }
        const double cpu = run.cpuSeconds() - cpuBefore;
        EXPECT_TRUE(waitForLogged(run, "Sharing: the program on cat1 was disconnected: ", ""));
        const std::size_t sentAway
            = countLogged(run, "Sharing: the program on cat1 was disconnected: ", "");
        std::printf("[ figures  ] cat1 flooded with %s: sent away %zu times; another client's f "
                    "answered %d times (%d of them timed out), slowest in %lld ms; Vexalo used "
                    "%.2f s of CPU\n",
                    c.flood, sentAway, asked, timedOut, static_cast<long long>(slowest), cpu);
        if (c.squat) {
            // Hanging up makes a new line only under Vexalo's own link.
            EXPECT_TRUE(waitForLogged(run, "the pass-through port is gone: ",
                                      "exists and is not a link; it is left as it is\""));
            QFile mine(run.path("cat1"));
            ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
            EXPECT_EQ(mine.readAll(), "mine\n");
        } else {
            // Open again for the next program, once each hang-up has made its new line.
            QElapsedTimer clock;
            clock.start();
            while (countLogged(run, "the pass-through port is made anew: ", "")
                       < countLogged(run, "Sharing: the program on cat1 was disconnected: ", "")
                   && clock.elapsed() < 10000) {
                runFor(run, std::chrono::milliseconds(50));
            }
            CatClient next(run.path("cat1"));
            EXPECT_EQ(next.talk("FA;"), "FA00014025000;");
        }
        EXPECT_EQ(other.ask("v"), "VFOA\n");
        EXPECT_EQ(run.stopVexalo(), 0);
    }
}

TEST(Sharing, APassThroughPortLeftEchoingIsMadeRawAgainAndIsTheOperatorsAlone)
{
    ProgramRun run;
    run.startRadio();
    run.startVexalo({ "--share=" + QString::number(freePort()) });
    ASSERT_TRUE(run.waitFor("send AI0;"));
    ASSERT_TRUE(sharingStarted(run));
    const QString device = QFileInfo(run.path("cat1")).symLinkTarget();
    struct stat status { };
    ASSERT_EQ(::stat(device.toLocal8Bit().constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u) << device.toStdString();
    // A program that opens it as a terminal ("stty sane"): echo would send Vexalo's answers
    // back to it as the program's commands, a setting for the radio or "?;" without end.
    CatClient program(run.path("cat1"), false);
    EXPECT_EQ(program.talk("FA;XX;"), "?;FA00014025000;");
    termios tio {};
    ::tcgetattr(program.fd, &tio);
    EXPECT_EQ(tio.c_lflag & (ECHO | ICANON), 0u) << "raw again";
    EXPECT_EQ(program.talk("XX;"), "?;") << "nothing bounces back";
    EXPECT_EQ(run.stopVexalo(), 0);
    const Strings got = run.radioCommands();
    EXPECT_EQ(std::count(got.begin(), got.end(), "FA00014025000;"), 0)
        << "its own answer reached the radio as a setting";
}

TEST(Sharing, BeyondThisComputerTheOperatorIsToldAloudOnce)
{
    const struct {
        QString address;
        long told; // times "the radio is open to the network" is said
    } cases[] = { { "127.0.0.1", 0 }, { "0.0.0.0", 1 } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        ProgramRun run;
        run.startRadio();
        const quint16 port = freePort();
        run.startVexalo({ QStringLiteral("--share=%1:%2").arg(c.address).arg(port) });
        ASSERT_TRUE(run.waitFor("send AI0;"));
        ASSERT_TRUE(sharingStarted(run));
        RawClient client(port);
        EXPECT_EQ(client.ask("f"), "14025000\n");
        EXPECT_EQ(run.stopVexalo(), 0);
        const Strings clips = run.clips();
        EXPECT_EQ(std::count(clips.begin(), clips.end(), "share_net"), c.told);
        EXPECT_EQ(logged(run, "Sharing: anyone who can reach ", "the protocol has no password"),
                  c.told == 1);
    }
}

TEST(Sharing, ARadioOnAnotherComputerIsReachedThroughSocat)
{
    ProgramRun run;
    run.startRadio({}, "radio");
    const quint16 port = freePort();
    // There, as ser2net would: the radio's serial line served on a TCP port.
    QProcess there;
    there.setWorkingDirectory(run.dir.path());
    there.start("socat",
                { QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr").arg(port),
                  "FILE:radio,raw,echo=0" });
    ASSERT_TRUE(there.waitForStarted());
    // Here: a pseudo-terminal linked as com1 that carries the line from there.
    QProcess here;
    here.setWorkingDirectory(run.dir.path());
    for (int i = 0; i < 50 && !QFileInfo::exists(run.path("com1")); ++i) {
        here.start("socat",
                   { "PTY,link=com1,raw,echo=0", QStringLiteral("TCP:127.0.0.1:%1").arg(port) });
        here.waitForStarted();
        QThread::msleep(100);
        if (!QFileInfo::exists(run.path("com1"))) {
            here.waitForFinished(1000);
        }
    }
    ASSERT_TRUE(QFileInfo::exists(run.path("com1")));
    run.startVexalo();
    ASSERT_TRUE(run.waitFor("send AI0;"));
    EXPECT_TRUE(run.said("clip q7_present"));
    EXPECT_EQ(run.stopVexalo(), 0);
    for (QProcess *p : { &here, &there }) {
        p->terminate();
        p->waitForFinished(5000);
    }
    EXPECT_EQ(run.radioCommands().back(), "q70;");
}

} // namespace
} // namespace vexalo::testing
