#include "options_file.h"

#include "regular_file.h"

namespace vexalo {

namespace {

// Far more than any set of options; a larger file is something else.
constexpr std::uintmax_t kMaxOptionsFileBytes = 64 * 1024;

} // namespace

ConfigOptions readOptionsFile(const std::filesystem::path &path)
{
    RegularFile file(path, kMaxOptionsFileBytes);
    if (file.outcome() == RegularFile::Outcome::Missing) {
        return {};
    }
    const std::optional<std::string> text = file.readAll();
    if (!text) {
        ConfigOptions refused;
        refused.problems.push_back(
            "cannot be read (not a readable regular file of at most 64 KiB); ignored");
        return refused;
    }
    return parseConfigOptions(*text);
}

} // namespace vexalo
