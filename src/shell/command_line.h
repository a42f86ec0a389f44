// The program's command line: the options it accepts, --help and --version, and a clear error
// for anything else; and vexalo.conf, the same options kept in Vexalo's folder. Pure (no I/O,
// no Qt), so main() can run it before anything is opened and the tests can run it on any
// argument list. An option is one entry of kOptions.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

struct CommandLineOption {
    std::string_view name; // without the leading "--"
    std::string_view argument; // empty for a switch, else the placeholder shown by --help
    std::string_view help;
    bool optionalValue = false; // "--name" alone or "--name=VALUE", never "--name VALUE"
    // For an option with a value: what is wrong with it, or nothing when it is fine.
    std::string_view (*refuse)(std::string_view value) = nullptr;
};

// The ways of being heard: the recorded clips, or the desktop's speech service.
inline constexpr std::string_view kSpeechClips = "clips";
inline constexpr std::string_view kSpeechDispatcher = "dispatcher";

std::string_view refuseSpeech(std::string_view value);
std::string_view refuseSpeechRate(std::string_view value);
std::string_view refuseSettle(std::string_view value);
std::string_view refuseAnnounce(std::string_view value);
std::string_view refuseRegion(std::string_view value);

// The ITU region a value of --region names, or 0 for none.
int regionOf(std::string_view value);

// --settle alone: about the pause of a hand that has stopped turning the knob.
inline constexpr int kDefaultSettleMs = 300;
inline constexpr int kMaxSettleMs = 5000;
// The settle time a value of --settle names (refused values aside): empty means the default.
int settleMsOf(std::string_view value);

inline constexpr CommandLineOption kOptions[] = {
    { "help", "", "show this text and exit" },
    { "version", "", "show the version and exit" },
    { "transcript", "", "also write each announcement as a line on standard output" },
    { .name = "speech",
      .argument = "HOW",
      .help = "clips (the recorded voice, the default) or dispatcher\n"
              "(the desktop's speech service, in the voice and rate of\n"
              "the screen reader; Linux only)",
      .refuse = &refuseSpeech },
    { .name = "speech-rate",
      .argument = "N",
      .help = "with --speech=dispatcher, Vexalo's own rate from -100\n"
              "to 100 on top of the service's",
      .refuse = &refuseSpeechRate },
    { .name = "share",
      .argument = "[ADDRESS:]PORT",
      .help = "share the radio with other programs: a rigctl endpoint on\n"
              "127.0.0.1:4532 (or the address and port given) and the\n"
              "pass-through serial port cat1 (Linux only; see below)",
      .optionalValue = true },
    { .name = "settle",
      .argument = "MS",
      .help = "in Full Auto, say the frequency only once tuning has\n"
              "stopped for MS milliseconds (300 when MS is not given,\n"
              "at most 5000); other readings and answers are not delayed",
      .optionalValue = true,
      .refuse = &refuseSettle },
    { "short-readouts", "",
      "in Full Auto, leave out the megahertz when they and the VFO\n"
      "are those of the frequency heard last (within 10 s)" },
    { "ticks", "",
      "in Full Auto, a soft tick for each tuning report that crosses\n"
      "a kilohertz, a higher one for ten kilohertz, while nothing\n"
      "is said (at most 20 a second)" },
    { .name = "announce",
      .argument = "LIST",
      .help = "the readings the automatic modes say, separated by commas,\n"
              "from frequency, mode, filter, agc, noise-blanker, preamp,\n"
              "attenuator, power, keyer, rit-xit, split and vfo (all\n"
              "when not given); answers to your keys are always said",
      .refuse = &refuseAnnounce },
    { .name = "region",
      .argument = "N",
      .help = "announce the edges of the amateur bands of ITU region N\n"
              "(1, 2 or 3): leaving a band, a falling two-tone and \"out\n"
              "of band\"; entering one, a rising two-tone and its name",
      .refuse = &refuseRegion },
};

// The names of a value of --announce, in order; a name that is none of kAnnouncedReadings's
// is kept, for refuseAnnounce to name.
std::vector<std::string_view> announcedNames(std::string_view value);

struct CommandLine {
    enum class Outcome { Run, Exit };
    Outcome outcome = Outcome::Run;
    int exitStatus = 0;
    std::string output; // printed on standard output (0) or standard error (any other status)
    std::string error; // what was wrong, when the line was refused
    // The options given that main() acts on, by name; a switch maps to "".
    std::map<std::string, std::string, std::less<>> values;

    bool has(std::string_view name) const { return values.find(name) != values.end(); }
};

// args are argv[1] onwards. Accepts "--name", "--name VALUE" and "--name=VALUE".
CommandLine parseCommandLine(std::span<const std::string> args,
                             std::span<const CommandLineOption> options = kOptions);

std::vector<std::string> argumentsOf(int argc, const char *const *argv);

// vexalo.conf: options kept in Vexalo's folder, one per line spelled as on the command line
// ("--transcript", "--name=VALUE" or "--name VALUE"); blank lines and lines starting with '#'
// are skipped. A line that is no option Vexalo can run with is reported and ignored, never
// fatal; of an option given on two lines the later holds.
struct ConfigOptions {
    std::map<std::string, std::string, std::less<>> values;
    std::vector<std::string> problems; // "line 3: unknown option '--loud'", one a bad line
};

ConfigOptions parseConfigOptions(std::string_view text,
                                 std::span<const CommandLineOption> options = kOptions);

// The file's options under those of the command line: an option given in both takes the
// command line's value.
void addFileOptions(CommandLine &commandLine, const ConfigOptions &file);

} // namespace vexalo
