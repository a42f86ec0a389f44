// vexalo.conf in Vexalo's folder: the command-line options the operator wants at every start,
// read without blocking (a regular file of at most 64 KiB) and parsed as the command line is.
// Relies on command_line for the options and their spelling.
#pragma once

#include "command_line.h"

#include <filesystem>

namespace vexalo {

inline constexpr const char *kOptionsFileName = "vexalo.conf";

// Nothing when there is no file; a file that cannot be read is one problem.
ConfigOptions readOptionsFile(const std::filesystem::path &path = kOptionsFileName);

} // namespace vexalo
