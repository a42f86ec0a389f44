// Arbitrary bytes as the settings file. Besides crashes and sanitizer findings it checks the
// promise the file makes to a hand-editing operator: whatever the first three fields held is
// written back so that it reads as the same values, and writing that again changes no byte.
#include "settings_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace vexalo;

void check(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "settings_fuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char *>(data), size);
    const SettingsRead read = parseSettings(content);
    check(read.count >= 0 && read.count <= 3, "more fields than the file has");
    const auto &[port, mode, greeting] = read.fields;

    const std::string line = formatSettingsLine(port, mode, greeting);
    check(line.ends_with("\r\n"), "the saved line has no CR LF");
    const SettingsRead again = parseSettings(line);
    check(again.complete(), "the saved line does not read as three fields");
    check(again.fields == read.fields, "a value read from the file did not survive saving");
    const auto &[port2, mode2, greeting2] = again.fields;
    check(formatSettingsLine(port2, mode2, greeting2) == line, "saving twice changed the line");
    return 0;
}
