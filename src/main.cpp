// Vexalo: speaks the state of a Q7 transceiver aloud. Builds the parts, wires them together
// and runs the start-up sequence before the window is shown. The settings file is the
// configuration; the command line asks for help or the version, or adds --transcript, a way of
// following what is said.
#include "announcement_log.h"
#include "clip_words.h"
#include "command_line.h"
#include "interpreter.h"
#include "lifecycle.h"
#include "link.h"
#include "menu_accessibility.h"
#include "portaudio_clip_sink.h"
#include "q7_globals.h"
#include "q7status.h"
#include "radio_handshake.h"
#include "serial_radio_port.h"
#include "shell.h"
#include "speech.h"
#include "stop_signals.h"
#include "transcript.h"
#include "window_readouts.h"

#include <QApplication>
#include <QSessionManager>

#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    using namespace vexalo;

    // Before anything opens, so that --help and --version need no display, sound or port.
    const CommandLine commandLine = parseCommandLine(argumentsOf(argc, argv));
    if (commandLine.outcome == CommandLine::Outcome::Exit) {
        std::fputs(commandLine.output.c_str(), commandLine.exitStatus == 0 ? stdout : stderr);
        return commandLine.exitStatus;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexalo"));

    // Installed first, so that a stop asked for during start-up is honoured too.
    StopSignals stopSignals;
    Lifecycle lifecycle;
    lifecycle.setStopProbe([&stopSignals] { return stopSignals.received(); });

    Q7Globals g;
    PortAudioClipSink sink;
    // Before the speech unit that reports to it, so that it outlives every announcement.
    AnnouncementLog announcements(ClipWords::forVoice(ClipSinkOptions {}.folder));
    Speech speech(g, sink, &lifecycle);
    speech.setListener(&announcements);
    std::unique_ptr<Transcript> transcriptWriter;
    if (commandLine.has("transcript")) {
#ifdef Q_OS_UNIX
        // A reader that goes away must end the transcript, not the program (and with it the
        // shutdown that releases the radio).
        std::signal(SIGPIPE, SIG_IGN);
#endif
        transcriptWriter = std::make_unique<Transcript>(announcements, stdout);
    }
    NoWindow noWindowYet;
    Interpreter interpreter(g, speech, noWindowYet);
    SerialRadioPort port;
    Link link(g, speech, interpreter, port, lifecycle);
    RadioHandshake handshake(g, speech, link);
    const MenuAccessibility menuAccessibility; // before the window builds its menus
    Q7Status window(WindowParts { g, speech, link, handshake });
    interpreter.setWindow(window);
    window.setAnnouncementLog(&announcements);
    Shell shell(ShellParts { g, speech, port, link, handshake, window, lifecycle });

    // Every way of being asked to stop ends in the window closing, which runs the shutdown;
    // the program ends as soon as the shutdown has closed the port.
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &window, &QWidget::close);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.close(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &shell, &Shell::Form_Unload);
    QObject::connect(&shell, &Shell::finished, &app, &QCoreApplication::quit);

    shell.Form_Load();
    if (shell.unloaded()) {
        return 0; // asked to stop while starting up
    }
    if (lifecycle.stopping()) {
        shell.Form_Unload(); // a stop signal whose event has not been delivered yet
        return 0;
    }
    window.show();
    return app.exec();
}
