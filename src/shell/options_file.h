// vexalo.conf in Vexalo's folder: the command-line options the operator wants at every start,
// read without blocking (a regular file of at most 64 KiB) and parsed as the command line is,
// and rewritten by the Options menu in the lines of its own options alone. Relies on
// command_line for the options and their spelling.
#pragma once

#include "command_line.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vexalo {

class Announcer;
class BandEdges;

inline constexpr const char *kOptionsFileName = "vexalo.conf";

// Nothing when there is no file; a file that cannot be read is one problem.
ConfigOptions readOptionsFile(const std::filesystem::path &path = kOptionsFileName);

// The options the Options menu sets, by name: the whole option as it is to stand on its line
// ("--settle", "--settle=500"), or nothing to have it gone.
using OwnedOptions = std::map<std::string, std::optional<std::string>, std::less<>>;

// The file's text with each owned option on a line of its own: where a line held only that
// option the first such line takes it and later ones go; otherwise it is added at the end.
// Every other line (comments, other options, lines Vexalo cannot read) stays byte for byte.
std::string withOwnedOptions(std::string_view text, const OwnedOptions &owned);

// The option of that name the Options menu sets, as the announcer holds it now.
OwnedOptions menuOption(std::string_view name, const Announcer &announcer);
// --region as the band edges hold it now: no line while no region is chosen.
OwnedOptions regionOption(const BandEdges &edges);

// Rewrites the file so, whole or not at all. False, with the file untouched, when it cannot be
// read (a missing file is empty) or written.
bool keepOptions(const OwnedOptions &owned, const std::filesystem::path &path = kOptionsFileName);

} // namespace vexalo
