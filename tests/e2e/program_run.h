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

    void startRadio(const QStringList &options = {}, const QString &link = "com1")
    {
        sim.setWorkingDirectory(dir.path());
        sim.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        sim.setReadChannel(QProcess::StandardError);
        sim.start(Q7SIM_PATH,
                  QStringList { "--fast", "--link", link, "--log", "sim.log" } + options);
        ASSERT_TRUE(sim.waitForStarted());
        // q7sim says it is ready once the link exists.
        QByteArray said;
        while (!said.contains("ready") && sim.waitForReadyRead(5000)) {
            said += sim.readAllStandardError();
        }
        ASSERT_TRUE(QFileInfo::exists(path(link))) << said.toStdString();
    }

    void startVexalo()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "vexalo.speech.debug=true;vexalo.link.debug=true");
        env.insert("QT_MESSAGE_PATTERN", "%{time process} %{message}");
        vexalo.setProcessEnvironment(env);
        vexalo.setWorkingDirectory(dir.path());
        vexalo.start(VEXALO_PATH, {});
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
    std::vector<std::string> radioCommands() const
    {
        QFile file(path("sim.log"));
        std::vector<std::string> commands;
        if (!file.open(QIODevice::ReadOnly)) {
            return commands;
        }
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3 && parts[1] == "cmd") {
                commands.push_back(parts[2].toStdString());
            }
        }
        return commands;
    }

    QTemporaryDir dir;
    QProcess sim;
    QProcess vexalo;
    std::vector<LogLine> log;

private:
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
