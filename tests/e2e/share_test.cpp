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

#include <fcntl.h>
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

// A program on the pass-through port, raw as a serial line.
class CatClient {
public:
    explicit CatClient(const QString &path)
    {
        fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios tio {};
        ::tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    ~CatClient() { ::close(fd); }
    // Writes the commands and reads for a while.
    std::string talk(const std::string &commands, int ms = 400)
    {
        EXPECT_EQ(::write(fd, commands.data(), commands.size()),
                  static_cast<ssize_t>(commands.size()));
        std::string heard;
        char buffer[512];
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                heard.append(buffer, static_cast<std::size_t>(n));
            } else {
                QThread::msleep(10);
            }
        }
        return heard;
    }
    int fd = -1;
};

// Lets the program run on for a while, reading its log.
void runFor(ProgramRun &run, std::chrono::milliseconds time)
{
    run.waitFor("\n", time);
}

// Until `count` clips have been said since the start, or ten seconds have passed.
void waitForClips(ProgramRun &run, std::size_t count)
{
    QElapsedTimer clock;
    clock.start();
    while (run.clips().size() < count && clock.elapsed() < 10000) {
        runFor(run, std::chrono::milliseconds(50));
    }
}

bool logged(const ProgramRun &run, const std::string &start, const std::string &end)
{
    return std::any_of(run.log.begin(), run.log.end(), [&](const LogLine &line) {
        return line.text.starts_with(start) && line.text.ends_with(end);
    });
}

Strings startingAt(const Strings &all, std::size_t from)
{
    return Strings(all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())),
                   all.end());
}

TEST(Sharing, HamlibsRigctlReadsAndSetsTheRadioAndASetIsHeardInFullAuto)
{
    ProgramRun run;
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
    };
    for (const auto &step : steps) {
        const std::string what = step.commands.join(' ').toStdString();
        const std::size_t clipsBefore = run.clips().size();
        EXPECT_EQ(runTool("rigctl", rig + step.commands), step.printed) << what;
        if (!step.radioGot.empty()) {
            const Strings got = run.radioCommands();
            EXPECT_NE(std::find(got.begin(), got.end(), step.radioGot), got.end()) << what;
        }
        waitForClips(run, clipsBefore + step.heard.size());
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
        { "1,1,#FALSE#\r\n", { "AI2;", "FA;", "MD2;", "FA00007074000;", "FA;", "q70;" } },
        // In Manual the radio reports for the program alone, and Vexalo switches that off
        // before it releases the radio.
        { "1,0,#FALSE#\r\n",
          { "AI0;", "AI2;", "FA;", "MD2;", "FA00007074000;", "FA;", "AI0;", "q70;" } },
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
        waitForClips(run, clipsBefore + (manual ? 0 : 1));
        runFor(run, std::chrono::milliseconds(300)); // nothing more
        EXPECT_EQ(startingAt(run.clips(), clipsBefore), manual ? Strings {} : Strings { "usb" });
        EXPECT_EQ(run.stopVexalo(), 0);
        EXPECT_EQ(startingAt(run.radioCommands(), handshake), c.radioAfterHandshake);
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
