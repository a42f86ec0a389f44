// The text protocol of Hamlib's network rig control (rigctld's, model 2's) as far as Vexalo serves
// it: cutting a client's line into requests, the values they carry, the mode and VFO names, and
// the layout of every answer in the default and the extended style ('+' or a separator first).
// Numbers are read as the protocol spells them, whatever the desktop's language. Pure: no Qt.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo::rigctl {

// Hamlib's result codes, as the protocol carries them after "RPRT".
enum Code : int {
    kOk = 0,
    kInvalid = -1, // an argument is missing or wrong
    kNotImplemented = -4, // a command Vexalo does not serve
    kTimeout = -5, // the radio did not answer
    kIoError = -6, // the line to the radio is closed
    kProtocolError = -8, // the radio answered something that is no answer
    kRejected = -9, // the radio refused the command
    kNotAvailable = -11, // the Q7 has no such feature
};

struct Request;
struct Facts;
struct Step;
struct SessionFlags;

// How a command's answer is laid out.
enum class Layout {
    Values, // a getter: its values, labelled in the extended style
    Setting, // the result code alone, after the command's name in the extended style
    Block, // \dump_state: a block of lines, before the result code in the extended style
    Alone, // \chk_vfo: its one value, labelled in the extended style, never a result code
    Result, // quit: the result code alone in either style
};

// One command Vexalo serves: Hamlib's names, what it takes, how it is answered, and its handler,
// which says what the request does with the Q7 (rig_request). The table is there.
struct CommandInfo {
    char shortName; // '\0' when there is only the long name
    std::string_view longName;
    int arguments; // besides the VFO
    bool takesVfo; // a VFO may be named before the arguments (as in rigctld's VFO mode)
    Layout layout;
    std::array<std::string_view, 5> labels; // the values of a getter, in the extended style
    Step (*handle)(const Request &request, Facts &facts, SessionFlags &flags);
};

// The command of a request's first word ("f", "\get_freq"); nothing for any other word.
const CommandInfo *findCommand(std::string_view word);

// How the answer is laid out: the default style gives bare values; the extended one (a '+' or a
// separator character before the command) names the command and every value, each followed by
// the separator, and ends with the result code.
struct Style {
    bool extended = false;
    char separator = '\n';

    friend bool operator==(const Style &, const Style &) = default;
};

struct Request {
    const CommandInfo *command = nullptr; // none: not a command Vexalo serves
    Style style;
    std::vector<std::string> arguments; // as given, the VFO first when one is named
    bool namesVfo = false;
    int refused = kOk; // an error found while reading the request (unknown, missing argument)

    // The VFO named before the arguments; nothing for the current one.
    std::optional<std::string_view> vfo() const;
    // The command's own arguments, after the VFO; empty when missing.
    std::string_view argument(std::size_t index) const;
};

// Longer lines are no request; they are answered once with an error and dropped.
inline constexpr std::size_t kMaxLine = 1024;

// One line (without its newline) as requests, in order; each command takes its arguments from
// the same line, after a VFO name when one comes first (VFO mode): a VFO may always be named,
// and need never be. An unknown word
// ends the line with a refused request; so does a command whose arguments are missing (rigctld
// would wait for the next line). An empty line is no request at all.
std::vector<Request> parseLine(std::string_view line);

// What a request comes to: a result code and, for a getter that succeeded, its values.
struct Answer {
    int code = kOk;
    std::vector<std::string> values;
};

// The bytes the client receives for the request.
std::string format(const Request &request, const Answer &answer);

// Mode names: the Q7's six modes and Hamlib's names for them.
std::optional<std::string_view> modeName(char q7Digit);
std::optional<char> modeDigit(std::string_view hamlibName);

// The VFO a client names: 0 (A), 1 (B), or one that depends on the radio's VFOs.
enum class VfoName { A, B, Current, Tx };
std::optional<VfoName> parseVfo(std::string_view name);
std::string_view vfoName(int vfo); // "VFOA" or "VFOB"

// Numbers as the requests carry them; nothing when out of range or not a number.
std::optional<long long> parseFrequency(std::string_view text); // Hz, 0 to 11 digits
std::optional<long> parsePassband(std::string_view text); // Hz; -1 keeps, 0 leaves as it is
std::optional<bool> parseFlag(std::string_view text); // "0" or "1"

} // namespace vexalo::rigctl
