#include "options_file.h"

#include "announcer.h"
#include "band_edges.h"
#include "regular_file.h"

#include <QSaveFile>

#include <set>

namespace vexalo {

namespace {

// Far more than any set of options; a larger file is something else.
constexpr std::uintmax_t kMaxOptionsFileBytes = 64 * 1024;

// The owned option a line holds and nothing else, by name, or nothing.
std::optional<std::string> ownedBy(std::string_view line, const OwnedOptions &owned)
{
    constexpr std::string_view kBlank = " \t\r";
    const std::size_t start = line.find_first_not_of(kBlank);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t stop = std::min(line.find_first_of(kBlank, start), line.size());
    if (line.find_first_not_of(kBlank, stop) != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view word = line.substr(start, stop - start);
    if (!word.starts_with("--")) {
        return std::nullopt;
    }
    std::string_view name = word.substr(2);
    name = name.substr(0, name.find('='));
    if (owned.find(name) == owned.end()) {
        return std::nullopt;
    }
    return std::string(name);
}

} // namespace

std::string withOwnedOptions(std::string_view text, const OwnedOptions &owned)
{
    std::string result;
    std::set<std::string, std::less<>> placed;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        const std::string_view whole = text.substr(0, next); // with its line ending
        const std::string_view line = text.substr(0, std::min(end, text.size()));
        text.remove_prefix(next);
        const std::optional<std::string> name = ownedBy(line, owned);
        if (!name) {
            result += whole;
            continue;
        }
        const std::optional<std::string> &option = owned.find(*name)->second;
        if (option && placed.insert(*name).second) {
            // The line's own ending (a CR too) is kept.
            result += *option;
            result += whole.substr(line.find_last_not_of(" \t\r") + 1);
        }
    }
    for (const auto &[name, option] : owned) {
        if (option && !placed.contains(name)) {
            if (!result.empty() && !result.ends_with('\n')) {
                result += '\n';
            }
            result += *option + '\n';
        }
    }
    return result;
}

OwnedOptions menuOption(std::string_view name, const Announcer &announcer)
{
    std::optional<std::string> option;
    if (name == "settle" && announcer.settling()) {
        const auto ms = announcer.settle().count();
        option = ms == kDefaultSettleMs ? "--settle" : "--settle=" + std::to_string(ms);
    } else if (name == "short-readouts" && announcer.shortReadouts()) {
        option = "--short-readouts";
    } else if (name == "ticks" && announcer.ticks()) {
        option = "--ticks";
    } else if (name == "announce") {
        std::string list;
        bool all = true;
        for (const AnnouncedReading &reading : kAnnouncedReadings) {
            if (!announcer.announced(reading)) {
                all = false;
            } else {
                list += (list.empty() ? "" : ",") + std::string(reading.name);
            }
        }
        if (!all) {
            option = "--announce=" + list;
        }
    }
    return { { std::string(name), option } };
}

OwnedOptions regionOption(const BandEdges &edges)
{
    std::optional<std::string> option;
    if (edges.region() != 0) {
        option = "--region=" + std::to_string(edges.region());
    }
    return { { "region", option } };
}

bool keepOptions(const OwnedOptions &owned, const std::filesystem::path &path)
{
    std::string text;
    {
        RegularFile file(path, kMaxOptionsFileBytes);
        if (file.outcome() != RegularFile::Outcome::Missing) {
            std::optional<std::string> read = file.readAll();
            if (!read) {
                return false;
            }
            text = std::move(*read);
        }
    }
    const std::string kept = withOwnedOptions(text, owned);
    if (kept == text) {
        return true;
    }
    QSaveFile out(QString::fromStdString(path.string()));
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    const auto size = static_cast<qint64>(kept.size());
    return out.write(kept.data(), size) == size && out.commit();
}

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
