// q7sim: a simulated Q7 transceiver on a pseudo-terminal, for running and testing the program
// without a radio. One thread and one poll loop: commands from the line, scenario events and
// paced output are all handled between two polls.

#include "commands.h"
#include "line.h"
#include "log.h"
#include "radio.h"
#include "script.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <getopt.h>
#include <poll.h>
#include <random>
#include <string>
#include <vector>

namespace q7sim {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int)
{
    stopRequested = 1;
}

const char *const usage = R"(Usage: q7sim [OPTION]...
A simulated Q7 transceiver on a pseudo-terminal. It answers the radio's commands
(each ending in ';', upper or lower case) from its own state, sends reports by
itself after "AI2;" until "AI0;", and can be moved by a scenario script.

  --link PATH          create a symbolic link PATH to the pseudo-terminal (e.g.
                       ./com1) and remove it on exit; without it the device name
                       is printed only
  --log FILE           record the conversation in FILE ("-" for standard
                       output), one flushed line each:
                         <seconds since start, 3 decimals> cmd <command>
                         <seconds> reply <reply>
                         <seconds> event <scenario line>
                         <seconds> port open|closed
                       a command is logged when it arrives, ';' included; a
                       reply when its last character has gone out; bytes
                       outside printable ASCII, and '\', are written \xHH
  --script FILE        run a scenario script (format below)
  --script-after-ai2   start the script when "AI2;" (or "AI1;") first arrives
                       instead of at start-up
  --power-form FORM    power reply: "long" (default), tenths of a watt, "PC0500;"
                       for 5 W; or "short", whole watts, "PC005;"
  --fast               no line pacing and no answer delay (for tests); by default
                       replies start 20 ms after the command and go out at
                       4800 baud, 2.08 ms a character
  --ident-late         fault: answer "q7;" only when it comes alone, not when it
                       follows "q72;" in the same write
  --silent             fault: never answer or report anything
  --garbage            fault: send random bytes instead of every reply (same
                       length, first byte 0x80-0xFF, ending in ';')
  --seed N             seed of the --garbage bytes (default 1)
  --help               show this text
  --version            show the version

Replies, from the start-up state (VFO A 14.025 MHz, B 14.030 MHz, CW, 5 W):
  FA; FA00014025000;   FB; FB00014030000;   FR; FR0;   FT; FT0;   MD; MD3;
  IF; IF0001402500000000+000000000030000000;  38 characters: 3-13 frequency of the
      receive VFO, 19-23 RIT/XIT offset, 24 RIT, 25 XIT, 30 mode, 31 receive VFO,
      33 split, 34 band-change flag; every other position is "0"
  FW; FW05002; (bandwidth, filter)   GT; GT002; (AGC at 5: 2 fast, 4 slow)
  NB; NB00; (blanker, level)   PA; PA1;   RA; RA00;   KS; KS020;   BG; BG05;
  PC; PC0500; (long) or PC005; (short)   id; ID947;   lk; LK0;   AI; AI0;
  q7; Q70; -- "q72;" sets that digit, so "q72;q7;" is answered Q72;
  No reply: ai0; AI0; AI2; q70; q72; and every setting command.
Setting commands in the reply's own layout ("FA00007040000;", "MD2;", "NB11;",
"PC055;", "FR1;" ...) change the radio; only automatic reports follow them. A
frequency outside 30 kHz to 56 MHz is answered "?;" and changes nothing.
An empty command is ignored; anything else is answered "?;", and so is a run of
more than 64 characters without ';'.

Automatic reports (after "AI2;"): tuning sends FA or FB; mode sends MD then IF;
RIT, XIT and offset send IF; split sends FT then IF; the receive VFO sends FR, FT
then IF; other settings send their own reply; the S-meter sends nothing. A band
change sends an IF with "1" at position 34, then FA FB FT MD FW GT PA RA, closed
by NB.

Once the link exists, q7sim writes "q7sim: ready on /dev/pts/N as PATH" to
standard error. While no program has the port open, what the radio sends is
lost, as on a real line. SIGTERM, SIGINT and SIGHUP end q7sim with status 0,
after removing the link; a bad option or script ends it with status 2, a link
path taken by another kind of file with status 1.
)";

struct Options {
    std::string link;
    std::string log;
    std::string script;
    bool scriptAfterAi2 = false;
    PowerForm powerForm = PowerForm::Long;
    bool fast = false;
    bool identLate = false;
    bool silent = false;
    bool garbage = false;
    unsigned seed = 1;
};

// Exit status 2 for a bad command line, like most tools.
[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "q7sim: %s\nTry 'q7sim --help'.\n", message.c_str());
    std::exit(2);
}

Options parseOptions(int argc, char **argv)
{
    enum {
        Link = 1,
        LogTo,
        Script,
        AfterAi2,
        PowerFormOpt,
        Fast,
        IdentLate,
        Silent,
        Garbage,
        Seed,
        Help,
        Version
    };
    const option longOptions[] = {
        { "link", required_argument, nullptr, Link },
        { "log", required_argument, nullptr, LogTo },
        { "script", required_argument, nullptr, Script },
        { "script-after-ai2", no_argument, nullptr, AfterAi2 },
        { "power-form", required_argument, nullptr, PowerFormOpt },
        { "fast", no_argument, nullptr, Fast },
        { "ident-late", no_argument, nullptr, IdentLate },
        { "silent", no_argument, nullptr, Silent },
        { "garbage", no_argument, nullptr, Garbage },
        { "seed", required_argument, nullptr, Seed },
        { "help", no_argument, nullptr, Help },
        { "version", no_argument, nullptr, Version },
        { nullptr, 0, nullptr, 0 },
    };
    Options o;
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, "", longOptions, nullptr)) != -1;) {
        const std::string value = optarg ? optarg : "";
        switch (c) {
        case Link:
            o.link = value;
            break;
        case LogTo:
            o.log = value;
            break;
        case Script:
            o.script = value;
            break;
        case AfterAi2:
            o.scriptAfterAi2 = true;
            break;
        case PowerFormOpt:
            if (value != "short" && value != "long") {
                fail("--power-form takes short or long");
            }
            o.powerForm = value == "short" ? PowerForm::Short : PowerForm::Long;
            break;
        case Fast:
            o.fast = true;
            break;
        case IdentLate:
            o.identLate = true;
            break;
        case Silent:
            o.silent = true;
            break;
        case Garbage:
            o.garbage = true;
            break;
        case Seed: {
            char *end = nullptr;
            const unsigned long seed = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0') {
                fail("--seed takes a number");
            }
            o.seed = static_cast<unsigned>(seed);
            break;
        }
        case Help:
            std::fputs(usage, stdout);
            std::fputs("\n", stdout);
            std::fputs(scriptHelp, stdout);
            std::exit(0);
        case Version:
            std::puts("q7sim " Q7SIM_VERSION);
            std::exit(0);
        default:
            fail(std::string("unknown or incomplete option ")
                 + (optind > 0 && optind <= argc ? argv[optind - 1] : ""));
        }
    }
    if (optind < argc) {
        fail(std::string("unexpected argument ") + argv[optind]);
    }
    if (o.scriptAfterAi2 && o.script.empty()) {
        fail("--script-after-ai2 needs --script");
    }
    return o;
}

std::vector<ScriptEvent> loadScript(const std::string &path)
{
    if (path.empty()) {
        return {};
    }
    std::ifstream in(path);
    if (!in) {
        fail("cannot read the script " + path);
    }
    ScriptParse parsed = parseScript(in);
    if (!parsed.error.empty()) {
        fail(path + ": " + parsed.error);
    }
    return std::move(parsed.events);
}

timespec timeoutUntil(std::optional<Clock::time_point> wake, Clock::time_point now)
{
    const auto wait = wake ? std::max(*wake - now, Clock::duration::zero())
                           : Clock::duration(std::chrono::seconds(1));
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    return timespec { static_cast<time_t>(ns / 1'000'000'000),
                      static_cast<long>(ns % 1'000'000'000) };
}

int run(const Options &options)
{
    const Clock::time_point startTime = Clock::now();
    ScriptRunner script(loadScript(options.script));

    Log log(startTime);
    if (!log.open(options.log)) {
        fail("cannot write the log " + options.log);
    }

    // The signals that end us are blocked except inside ppoll, so a stop request can never
    // slip in between the check of the flag and the wait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int sig : { SIGTERM, SIGINT, SIGHUP }) {
        sigaddset(&stopSignals, sig);
        struct sigaction action { };
        action.sa_handler = requestStop;
        sigaction(sig, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);

    Line line(!options.fast, log);
    std::string error;
    if (!line.open(options.link, error)) {
        std::fprintf(stderr, "q7sim: %s\n", error.c_str());
        return 1;
    }
    Radio radio(options.powerForm);
    CommandHandler handler(radio, { options.identLate });
    std::mt19937 random(options.seed);
    const Clock::duration answerDelay
        = options.fast ? Clock::duration::zero() : std::chrono::milliseconds(20);
    bool scriptSilent = false;

    const auto transmit = [&](std::string text, Clock::time_point now) {
        if (options.silent || scriptSilent) {
            return;
        }
        line.queue(options.garbage ? garble(text, random) : std::move(text), now + answerDelay);
    };

    if (!options.scriptAfterAi2) {
        script.start(startTime);
    }
    std::fprintf(stderr, "q7sim: ready on %s%s%s\n", line.deviceName().c_str(),
                 options.link.empty() ? "" : " as ", options.link.c_str());

    while (!stopRequested) {
        Clock::time_point now = Clock::now();
        for (const ScriptEvent &event : script.due(now)) {
            log.event(event.source);
            switch (event.kind) {
            case ScriptEvent::Kind::Change:
                for (std::string &report : radio.apply(event.change)) {
                    transmit(std::move(report), now);
                }
                break;
            case ScriptEvent::Kind::Silent:
                scriptSilent = true;
                line.dropUnsent();
                break;
            case ScriptEvent::Kind::Speak:
                scriptSilent = false;
                break;
            case ScriptEvent::Kind::Send:
                line.queue(event.text, now);
                break;
            }
        }
        line.flush(now);

        std::optional<Clock::time_point> wake = line.nextWake();
        if (const auto next = script.nextDue(); next && (!wake || *next < *wake)) {
            wake = next;
        }
        if (!line.readable(now)) {
            const auto retry = now + std::chrono::milliseconds(50);
            wake = wake ? std::min(*wake, retry) : retry;
        }
        pollfd fds[2] = {
            { line.readable(now) ? line.masterFd() : -1,
              static_cast<short>(POLLIN | (line.waitingToWrite() ? POLLOUT : 0)), 0 },
            { line.watchFd(), POLLIN, 0 },
        };
        const timespec timeout = timeoutUntil(wake, now);
        if (ppoll(fds, 2, &timeout, &waitMask) < 0) {
            continue;
        }
        now = Clock::now();
        // Opens and closes first: a program that opened the port and then wrote a command
        // must count as listening when its answer goes out.
        if (fds[1].revents & POLLIN) {
            line.readWatch();
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            for (Exchange &e : handler.receive(line.read(now))) {
                log.command(e.command);
                for (std::string &reply : e.replies) {
                    transmit(std::move(reply), now);
                }
            }
            if (handler.autoInfoRequested()) {
                script.start(now);
            }
        }
    }
    std::fprintf(stderr, "q7sim: stopped\n");
    return 0;
}

} // namespace
} // namespace q7sim

int main(int argc, char **argv)
{
    return q7sim::run(q7sim::parseOptions(argc, argv));
}
