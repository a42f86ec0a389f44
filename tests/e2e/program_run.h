// Runs the real vexalo binary against the real q7sim on a pseudo-terminal, each run in a
// temporary working directory of its own, and reads back what happened: the clips Vexalo
// logged (with its own timestamps) and the commands the radio received.
#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>

#include <string>
#include <unistd.h>
#include <vector>

namespace vexalo::testing {

struct LogLine {
    double seconds;
    std::string text; // e.g. "clip q7_present", "send id;", "port closed"
};

class ProgramRun {
public:
    ProgramRun() { dir.setAutoRemove(true); }
    ~ProgramRun()
    {
        for (QProcess *p : { &vexalo, &sim }) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(2000);
            }
        }
    }

    QString path(const QString &name) const { return dir.filePath(name); }

    void writeSettings(const QByteArray &bytes)
    {
        QFile file(path("vexalo.ini"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray settings() const
    {
        QFile file(path("vexalo.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Writes a q7sim scenario that starts when "AI2;" arrives; the options that run it.
    QStringList scenario(const QByteArray &script)
    {
        QFile file(path("scenario.q7s"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(script);
        return { "--script", "scenario.q7s", "--script-after-ai2" };
    }

    void startRadio(const QStringList &options = {}, const QString &link = "com1")
    {
        sim.setWorkingDirectory(dir.path());
        sim.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        sim.setReadChannel(QProcess::StandardError);
        const QStringList pace = paced ? QStringList {} : QStringList { "--fast" };
        sim.start(Q7SIM_PATH, pace + QStringList { "--link", link, "--log", "sim.log" } + options);
        ASSERT_TRUE(sim.waitForStarted());
        // q7sim says it is ready once the link exists.
        QByteArray said;
        while (!said.contains("ready") && sim.waitForReadyRead(5000)) {
            said += sim.readAllStandardError();
        }
        ASSERT_TRUE(QFileInfo::exists(path(link))) << said.toStdString();
    }

    void startVexalo(const QStringList &args = {})
    {
        QProcessEnvironment env = environment;
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES",
                   "vexalo.speech.debug=true;vexalo.link.debug=true;vexalo.interpreter.debug=true;"
                   "vexalo.share.info=true");
        env.insert("QT_MESSAGE_PATTERN", "%{time process} %{message}");
        vexalo.setProcessEnvironment(env);
        vexalo.setWorkingDirectory(dir.path());
        vexalo.start(VEXALO_PATH, args);
        ASSERT_TRUE(vexalo.waitForStarted());
    }

    // Reads Vexalo's log until a line says `text`, or the time is up.
    bool waitFor(const std::string &text,
                 std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        QElapsedTimer clock;
        clock.start();
        while (!said(text)) {
            if (clock.elapsed() > limit.count() || vexalo.state() == QProcess::NotRunning) {
                readLog();
                return said(text);
            }
            vexalo.waitForReadyRead(100);
            readLog();
        }
        return true;
    }

    // Reads the log until `count` clips have played since the start, or ten seconds have
    // passed: a reply is logged as it is interpreted, its clips only as each plays.
    void waitForClips(std::size_t count)
    {
        QElapsedTimer clock;
        clock.start();
        while (clips().size() < count && clock.elapsed() < 10000) {
            waitFor("\n", std::chrono::milliseconds(50));
        }
    }

    // Asks Vexalo to stop as the desktop would (SIGTERM) and returns its exit status.
    int stopVexalo()
    {
        vexalo.terminate();
        EXPECT_TRUE(vexalo.waitForFinished(10000));
        readLog();
        return vexalo.exitStatus() == QProcess::NormalExit ? vexalo.exitCode() : -1;
    }

    bool said(const std::string &text) const
    {
        for (const LogLine &line : log) {
            if (line.text == text) {
                return true;
            }
        }
        return false;
    }

    const LogLine *find(const std::string &text) const
    {
        for (const LogLine &line : log) {
            if (line.text == text) {
                return &line;
            }
        }
        return nullptr;
    }

    std::vector<std::string> clips() const { return withPrefix(log, "clip "); }

    // Commands as the radio received them, cut at ';'.
    std::vector<std::string> radioCommands() const { return radioSaid("cmd"); }
    // Replies and reports as they left the radio.
    std::vector<std::string> radioReplies() const { return radioSaid("reply"); }

    // The replies Vexalo handled, in order, each once, whether said or passed over as stale.
    std::vector<std::string> handledReplies() const
    {
        std::vector<std::string> replies;
        for (const LogLine &line : log) {
            const auto arrow = line.text.rfind(" -> ");
            if (line.text.starts_with("reply ") && arrow != std::string::npos) {
                replies.push_back(line.text.substr(6, arrow - 6));
            }
        }
        return replies;
    }

    // Processor time the running program has used, user and system, in seconds.
    double cpuSeconds() const
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(vexalo.processId()));
        if (!stat.open(QIODevice::ReadOnly)) {
            return -1;
        }
        const QByteArray text = stat.readAll();
        // Fields after the command name, which is in parentheses and may hold spaces.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return (fields.value(11).toDouble() + fields.value(12).toDouble())
            / static_cast<double>(sysconf(_SC_CLK_TCK));
    }

    // Resident memory of the running program, in kilobytes.
    long residentKb() const
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(vexalo.processId()));
        if (!status.open(QIODevice::ReadOnly)) {
            return -1;
        }
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                return line.mid(6).trimmed().split(' ').front().toLong();
            }
        }
        return -1;
    }

    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(); // Vexalo's
    bool paced = false; // the radio at the line's own pace instead of at once
    QProcess sim;
    QProcess vexalo;
    std::vector<LogLine> log;

private:
    std::vector<std::string> radioSaid(const QByteArray &kind) const
    {
        QFile file(path("sim.log"));
        std::vector<std::string> said;
        if (!file.open(QIODevice::ReadOnly)) {
            return said;
        }
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3 && parts[1] == kind) {
                said.push_back(parts[2].toStdString());
            }
        }
        return said;
    }

    static std::vector<std::string> withPrefix(const std::vector<LogLine> &lines,
                                               const std::string &prefix)
    {
        std::vector<std::string> result;
        for (const LogLine &line : lines) {
            if (line.text.starts_with(prefix)) {
                result.push_back(line.text.substr(prefix.size()));
            }
        }
        return result;
    }

    void readLog()
    {
        m_pending += vexalo.readAllStandardError();
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(m_pending.left(end)).trimmed();
            m_pending.remove(0, end + 1);
            const qsizetype space = line.indexOf(' ');
            bool ok = false;
            const double seconds = line.left(space).toDouble(&ok);
            if (ok) {
                log.push_back({ seconds, line.mid(space + 1).toStdString() });
            }
        }
    }

    QByteArray m_pending;
};

} // namespace vexalo::testing
