// The link and the interpreter on a real pseudo-terminal, with q7sim at the other end.
#include "commands.h"
#include "event_wait.h"
#include "harness.h"
#include "link.h"
#include "radio_handshake.h"
#include "serial_radio_port.h"
#include "settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace vexalo::testing {
namespace {

class RealLine : public ::testing::Test {
protected:
    void SetUp() override { m_previous = QDir::currentPath(); }
    void TearDown() override
    {
        port.close();
        if (m_sim.state() != QProcess::NotRunning) {
            m_sim.terminate();
            m_sim.waitForFinished(3000);
        }
        QDir::setCurrent(m_previous);
    }

    // Starts the radio on ./com1 of a fresh directory and opens the line to it.
    void connect(QStringList options, const QString &script = {})
    {
        QDir::setCurrent(m_dir.path());
        if (!script.isEmpty()) {
            QFile file("scenario.q7s");
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(script.toUtf8());
            options << "--script"
                    << "scenario.q7s"
                    << "--script-after-ai2";
        }
        startRadio(options);
        ASSERT_TRUE(port.setPortNumber(1));
        ASSERT_TRUE(port.configure());
        ASSERT_TRUE(port.open()) << port.deviceName().toStdString();
    }

    void startRadio(const QStringList &options)
    {
        m_sim.setReadChannel(QProcess::StandardError);
        m_sim.start(Q7SIM_PATH, QStringList { "--link", "com1", "--log", "sim.log" } + options);
        ASSERT_TRUE(m_sim.waitForStarted());
        QByteArray said;
        while (!said.contains("ready") && m_sim.waitForReadyRead(5000)) {
            said += m_sim.readAllStandardError();
        }
    }

    // The far end of the line goes away, as when the adapter is pulled.
    void unplugRadio()
    {
        m_sim.terminate();
        ASSERT_TRUE(m_sim.waitForFinished(3000));
    }

    // Lets arrivals be handled for a while without anything being awaited.
    static void deliverFor(int ms)
    {
        waitDeliveringEvents(std::chrono::milliseconds(ms), [] { return false; });
    }

    std::vector<double> commandTimes(const std::string &command)
    {
        std::vector<double> times;
        QFile file("sim.log");
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                if (parts.size() == 3 && parts[1] == "cmd" && parts[2] == command.c_str()) {
                    times.push_back(parts[0].toDouble());
                }
            }
        }
        return times;
    }

    void expectVfoAAnsweredWithinOneWait()
    {
        const BlocksAfter blocked([&] { return !link.exchange().anyOutstanding(); });
        link.askAndWait(commands::kVfoA);
        EXPECT_EQ(blocked.count(), 0) << "the wait went on after the answer";
        EXPECT_FALSE(link.exchange().anyOutstanding());
        EXPECT_EQ(h.sink.take(), (Clips { "14", "0", "2", "5", "pt", "0", "0", "a" }));
    }

    LinkRig<SerialRadioPort> h;
    SerialRadioPort &port = h.port;
    Link &link = h.link;

private:
    QTemporaryDir m_dir;
    QString m_previous;
    QProcess m_sim;
};

TEST_F(RealLine, AFrequencyQueryIsAnsweredAloudWithinOneWait)
{
    connect({ "--fast" });
    expectVfoAAnsweredWithinOneWait();
}

TEST_F(RealLine, AtTheLinesPaceTheReplyComesAFewCharactersAtATimeAndIsStillOneReply)
{
    connect({});
    expectVfoAAnsweredWithinOneWait();
}

TEST_F(RealLine, RepliesArrivingTogetherOrAfterLineNoiseAreFramedAsTheyCome)
{
    connect({ "--fast" }, "send FR1;FR0;KS0\nwait 0.2\nsend 25;\\x0D\\x0AFR1;\n");
    link.SendCommand(commands::kAutoInfoOn); // starts the scenario
    // As if asked, without a query of its own on the line.
    const Exchange::Ticket asked = link.exchange().sent(commands::kRxVfo);
    waitDeliveringEvents(Exchange::kReplyTimeout,
                         [&] { return !link.exchange().outstanding(asked); });
    deliverFor(150);
    // Asked: "rx vfo b"; then unasked back to A while split is off: "a".
    EXPECT_EQ(h.sink.take(), (Clips { "rx", "vfo", "b", "a" }));
    EXPECT_EQ(link.rx_buffer(), "KS0");
    deliverFor(400);
    // The keyer reply completes; CR LF before the next reply makes it unknown.
    EXPECT_EQ(h.sink.take(), (Clips { "speed", "25" }));
    EXPECT_EQ(link.rx_buffer(), "");
    EXPECT_EQ(h.interpreter.state().rx_vfo.get(), "0");
}

TEST_F(RealLine, ASilentRadioEndsTheWaitAfterHalfASecond)
{
    connect({ "--silent" });
    QElapsedTimer clock;
    clock.start();
    link.askAndWait(commands::kVfoA);
    EXPECT_GE(clock.elapsed(), 500);
    EXPECT_EQ(h.sink.take(), Clips {});
}

TEST_F(RealLine, AClosedPortIsHeardAsAnError)
{
    connect({ "--fast" });
    port.close();
    link.SendCommand(commands::kVfoA);
    EXPECT_EQ(h.sink.take(), Clips { "q7_error" });
}

TEST_F(RealLine, TheLockPollSendsLkEveryHalfSecondWhileEnabled)
{
    connect({ "--fast" });
    link.setLockPolling(true);
    deliverFor(1700);
    link.setLockPolling(false);
    deliverFor(600);
    const std::vector<double> times = commandTimes("lk;");
    ASSERT_GE(times.size(), 2u);
    EXPECT_LE(times.size(), 4u) << "nothing after the timer stopped";
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i] - times[i - 1], 0.45);
    }
    EXPECT_FALSE(link.exchange().anyOutstanding()) << "each poll's reply answered it";
}

// Process CPU time, user and system, in milliseconds.
long cpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

TEST_F(RealLine, AnUnpluggedRadioClosesTheLineQuietlyAndIsFoundAgainWhenItIsBack)
{
    connect({ "--fast" });
    unplugRadio();
    const long before = cpuMs();
    deliverFor(1000);
    EXPECT_LT(cpuMs() - before, 200) << "a hung-up line must not spin";
    EXPECT_FALSE(port.isOpen());
    link.ask(commands::kVfoA);
    EXPECT_EQ(h.sink.take(), Clips { "q7_error" });

    startRadio({ "--fast" });
    h.settings = Settings { 1, 0, {} };
    RadioHandshake handshake { h.settings, h.interpreter, h.announcer, link };
    handshake.InitRadio();
    EXPECT_EQ(h.sink.take(), Clips { "q7_present" });
}

} // namespace
} // namespace vexalo::testing
