#include "clip_words.h"

#include "clip_sink.h"
#include "cues.h"
#include "logging.h"
#include "regular_file.h"

#include <optional>

namespace vexalo {

namespace {

// An operator's table is a few kilobytes; anything this large is not one.
constexpr std::uintmax_t kMaxTableBytes = 1 << 20;

bool isNumberClip(std::string_view clip)
{
    return !clip.empty() && clip.find_first_not_of("0123456789") == std::string_view::npos;
}

// A line goes to terminals and braille displays: control characters from a table are dropped,
// and the bytes of a name that came from the radio are shown, not sent to the terminal.
std::string withoutControls(std::string_view text)
{
    std::string clean;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f) {
            clean += c;
        }
    }
    return clean;
}

std::string printableName(std::string_view name)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7f && c != '\\') {
            shown += c;
        } else {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xf];
        }
    }
    return shown;
}

std::string_view field(std::string_view line, std::size_t &from)
{
    const std::size_t tab = line.find('\t', from);
    const std::string_view text
        = line.substr(from, tab == std::string_view::npos ? std::string_view::npos : tab - from);
    from = tab == std::string_view::npos ? line.size() : tab + 1;
    return text;
}

} // namespace

ClipWords ClipWords::english()
{
    ClipWords words;
    for (const Cue &cue : kCues) {
        words.m_display.emplace(cue.clip, cue.display);
    }
    words.read(englishClipTable());
    return words;
}

ClipWords ClipWords::forVoice(const std::filesystem::path &folder)
{
    ClipWords words = english();
    const std::filesystem::path path = folder / "words.tsv";
    RegularFile file(path, kMaxTableBytes);
    const std::optional<std::string> table = file.readAll();
    if (!table) {
        if (file.outcome() != RegularFile::Outcome::Missing) {
            qCWarning(lcSpeech, "%s is not a words table; showing English words",
                      path.string().c_str());
        }
        return words;
    }
    words.read(*table);
    return words;
}

void ClipWords::read(std::string_view table)
{
    while (!table.empty()) {
        const std::size_t end = table.find('\n');
        std::string_view line = table.substr(0, end);
        table.remove_prefix(end == std::string_view::npos ? table.size() : end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        std::size_t at = 0;
        const std::string_view name = field(line, at);
        const std::string spoken = withoutControls(field(line, at));
        const std::string display = withoutControls(field(line, at));
        if (isValidClipName(name) && !display.empty()) {
            m_display.insert_or_assign(std::string(name), display);
            m_spoken.insert_or_assign(std::string(name), spoken.empty() ? display : spoken);
        }
    }
}

std::string ClipWords::display(std::string_view clip) const
{
    const auto found = m_display.find(clip);
    return found != m_display.end() ? found->second : std::string(clip);
}

std::string ClipWords::utterance(const std::vector<std::string> &clips) const
{
    std::string text;
    for (const std::string &clip : clips) {
        if (!isValidClipName(clip) || isCue(clip)) {
            continue; // reply garbage is never read out, and a tone is no word
        }
        const auto found = m_spoken.find(clip);
        if (!text.empty()) {
            text += ' ';
        }
        text += found != m_spoken.end() ? found->second : clip;
    }
    return text;
}

std::string ClipWords::line(const std::vector<std::string> &clips) const
{
    std::string text;
    const auto append = [&text](std::string_view word) {
        if (!text.empty()) {
            text += ' ';
        }
        text += word;
    };
    const auto digitsFrom = [&](std::size_t &i) {
        std::string digits;
        while (i < clips.size() && isNumberClip(clips[i])) {
            digits += display(clips[i++]);
        }
        return digits;
    };

    std::size_t i = 0;
    while (i < clips.size()) {
        const std::string &clip = clips[i];
        if (clip.starts_with('?')) {
            append(printableName(clip));
            ++i;
        } else if (isNumberClip(clip)) {
            std::string number = digitsFrom(i);
            // "0", "5" is spoken digit by digit but is the number 5.
            const std::size_t firstSignificant = number.find_first_not_of('0');
            number.erase(0, std::min(firstSignificant, number.size() - 1));
            if (i + 1 < clips.size() && clips[i] == "pt" && isNumberClip(clips[i + 1])) {
                ++i;
                number += display("pt") + digitsFrom(i);
            }
            append(number);
        } else {
            append(display(clip));
            ++i;
        }
    }
    return text;
}

} // namespace vexalo
