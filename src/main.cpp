// Vexalo: speaks the state of a Q7 transceiver aloud. Builds the parts, wires them together
// and runs the start-up sequence before the window is shown. The settings file keeps what the
// operator chose in the window; the command line, and vexalo.conf beneath it, ask for help or
// the version or add ways of running, such as --transcript.
#include "announcement_log.h"
#include "announcer.h"
#include "band_plan_file.h"
#include "clip_words.h"
#include "command_line.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "link.h"
#include "logging.h"
#include "menu_accessibility.h"
#include "operator_settings.h"
#include "options_file.h"
#include "output_clip_sink.h"
#include "q7status.h"
#include "radio_handshake.h"
#include "serial_radio_port.h"
#include "settings.h"
#include "sharing.h"
#include "shell.h"
#include "speech_dispatcher.h"
#include "stop_signals.h"
#include "transcript.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

int main(int argc, char **argv)
{
    using namespace vexalo;

    // Before anything opens, so that --help and --version need no display, sound or port.
    CommandLine commandLine = parseCommandLine(argumentsOf(argc, argv));
    if (commandLine.outcome == CommandLine::Outcome::Exit) {
        std::fputs(commandLine.output.c_str(), commandLine.exitStatus == 0 ? stdout : stderr);
        return commandLine.exitStatus;
    }
    const bool shareOnCommandLine = commandLine.has("share");
    ConfigOptions kept = readOptionsFile();
    addFileOptions(commandLine, kept);
    // Where --share listens: one that names nothing is refused on the command line, and
    // reported and left out when it comes from vexalo.conf.
    std::optional<Endpoint> shareAt;
    if (commandLine.has("share")) {
        QString error;
        shareAt = parseEndpoint(commandLine.values.at("share"), error);
        if (!shareAt && shareOnCommandLine) {
            std::fprintf(stderr, "vexalo: --share: %s\nTry 'vexalo --help'.\n", qPrintable(error));
            return 2;
        }
        if (!shareAt) {
            kept.problems.push_back("--share: " + error.toStdString());
        }
    }
    for (const std::string &problem : kept.problems) {
        qCWarning(lcShell, "%s %s", kOptionsFileName, problem.c_str());
    }

    // Before the application starts any thread: a service that hangs is tried from a child.
    std::unique_ptr<SpeechDispatcher> service;
    std::string serviceProblem;
    if (commandLine.has("speech") && commandLine.values.at("speech") == kSpeechDispatcher) {
        std::optional<int> rate;
        if (commandLine.has("speech-rate")) {
            // Checked when the command line was read: a whole number from -100 to 100.
            const std::string &text = commandLine.values.at("speech-rate");
            int value = 0;
            std::from_chars(text.data(), text.data() + text.size(), value);
            rate = value;
        }
        service = SpeechDispatcher::connect(rate, serviceProblem);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexalo"));

    // Installed first, so that a stop asked for during start-up is honoured too.
    StopSignals stopSignals;
    Lifecycle lifecycle;
    lifecycle.setStopProbe([&stopSignals] { return stopSignals.received(); });

    Settings settings;
    OutputClipSink sink;
    const ClipWords words = ClipWords::forVoice(ClipSinkOptions {}.folder);
    // Before the announcer that reports to it, so that it outlives every announcement.
    AnnouncementLog announcements(words);
    Announcer announcer(sink, &lifecycle);
    announcer.setListener(&announcements);
    // The menu turns settling back on with the time given, or the usual one.
    announcer.setSettle(std::chrono::milliseconds(
        settleMsOf(commandLine.has("settle") ? commandLine.values.at("settle") : "")));
    announcer.setSettling(commandLine.has("settle") && announcer.settle().count() > 0);
    announcer.setShortReadouts(commandLine.has("short-readouts"));
    announcer.setTicks(commandLine.has("ticks"));
    if (commandLine.has("announce")) {
        const auto names = announcedNames(commandLine.values.at("announce"));
        for (const AnnouncedReading &reading : kAnnouncedReadings) {
            announcer.setAnnounced(reading, std::ranges::find(names, reading.name) != names.end());
        }
    }
    if (service) {
        announcer.useService(service.get(), words, [&announcements](const std::string &why) {
            announcements.note(QStringLiteral("Speech service lost (%1); the recorded voice "
                                              "speaks from now on")
                                   .arg(QString::fromStdString(why)));
        });
    } else if (!serviceProblem.empty()) {
        qCWarning(lcSpeech, "%s; the recorded voice speaks", serviceProblem.c_str());
        announcements.note(QStringLiteral("Speech service not used (%1); the recorded voice "
                                          "speaks")
                               .arg(QString::fromStdString(serviceProblem)));
    }
    for (const std::string &problem : kept.problems) {
        announcements.note(QStringLiteral("%1 %2").arg(QLatin1String(kOptionsFileName),
                                                       QString::fromStdString(problem)));
    }
    // The band plan is read whether or not a region is chosen, so that the menu can choose one;
    // what is wrong with it is told where it matters, once a region is chosen.
    BandEdges bandEdges(readBandPlan(
        bandPlanPlaces(QDir(QCoreApplication::applicationDirPath()).filesystemPath())));
    for (const std::string &problem : bandEdges.plan().problems) {
        qCWarning(lcShell, "%s", problem.c_str());
    }
    const auto noteBandPlanProblems = [&bandEdges, &announcements] {
        if (bandEdges.region() == 0) {
            return;
        }
        for (const std::string &problem : bandEdges.plan().problems) {
            announcements.note(
                QStringLiteral("Band edges: %1").arg(QString::fromStdString(problem)));
        }
        if (bandEdges.bands().empty()) {
            announcements.note(QStringLiteral("Band edges: no band of region %1 is known, so "
                                              "no band edge is announced")
                                   .arg(bandEdges.region()));
        }
    };
    bandEdges.setRegion(commandLine.has("region") ? regionOf(commandLine.values.at("region")) : 0);
    noteBandPlanProblems();
    std::unique_ptr<Transcript> transcriptWriter;
    if (commandLine.has("transcript")) {
#ifdef Q_OS_UNIX
        // A reader that goes away must end the transcript, not the program (and with it the
        // shutdown that releases the radio).
        std::signal(SIGPIPE, SIG_IGN);
#endif
        transcriptWriter = std::make_unique<Transcript>(announcements, stdout);
    }
    Interpreter interpreter;
    SerialRadioPort port;
    Link link(settings, interpreter, announcer, port, lifecycle);
    link.setBandEdges(bandEdges);
    RadioHandshake handshake(settings, interpreter, announcer, link);
    const MenuAccessibility menuAccessibility; // before the window builds its menus
    // The step size is kept beside vexalo.ini in a file of its own: the settings file's format
    // is fixed.
    OperatorSettings operatorSettings(link, announcer, interpreter, "vexalo.step");
    Q7Status window(WindowParts { settings, interpreter, announcer, link, handshake,
                                  operatorSettings, bandEdges });
    link.setWindow(window);
    QObject::connect(
        &window, &Q7Status::optionChosen, &window,
        [&announcer, &announcements, &bandEdges, &noteBandPlanProblems](const QString &name) {
            const bool region = name == QLatin1String("region");
            if (region) {
                noteBandPlanProblems();
            }
            if (!keepOptions(region ? regionOption(bandEdges)
                                    : menuOption(name.toStdString(), announcer))) {
                announcements.note(QStringLiteral("%1 could not be written; the choice holds until "
                                                  "Vexalo ends")
                                       .arg(QLatin1String(kOptionsFileName)));
            }
        });
    window.setAnnouncementLog(&announcements);
    Shell shell(
        ShellParts { settings, interpreter, announcer, port, link, handshake, window, lifecycle });

    // Every way of being asked to stop ends in the window closing, which runs the shutdown;
    // the program ends as soon as the shutdown has closed the port.
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &window, &QWidget::close);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.close(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &shell, &Shell::shutDown);
    QObject::connect(&shell, &Shell::finished, &app, &QCoreApplication::quit);

    shell.start();
    if (lifecycle.stopping()) {
        // Asked to stop while starting up; a stop signal whose event has not been delivered
        // yet still needs the shutdown, one already run is not run again.
        shell.shutDown();
        return 0;
    }
    // Once Vexalo has the radio: a client never meets the start-up's handshake.
    std::unique_ptr<Sharing> sharing;
    if (shareAt) {
        sharing = std::make_unique<Sharing>(
            link.clients(), ShareOptions { shareAt, QStringLiteral("cat1") },
            [&announcements](const QString &text) { announcements.note(text); });
        sharing->start();
        if (sharing->openToTheNetwork()) {
            announcer.say(Clips { "share_net" });
        }
    }
    window.show();
    return app.exec();
}
