// The voice: clips.tsv names every clip the program can ask for, each with words to say, every
// other language's table names the same clips, and the recorded folder holds a playable,
// non-silent WAV for each of them.
#include <sndfile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// Written out here rather than read from the program, so that a line lost from clips.tsv
// shows up as a difference.
const std::vector<std::string> kFixedNames = {
    "dorvaneq7", "73s",       "q7_error", "q7_present",   "share_net", "comm",      "manual",
    "semi_auto", "full_auto", "greeting", "tone",         "on",        "off",       "a",
    "b",         "rx",        "vfo",      "split",        "norm",      "lsb",       "usb",
    "cw",        "cwr",       "data",     "datar",        "rit",       "xit",       "plus",
    "minus",     "pt",        "hz",       "thousand",     "hundred",   "fl1",       "fl2",
    "fl3",       "fl4",       "agc",      "fast",         "slow",      "speed",     "nb",
    "hi",        "low",       "pre",      "att",          "power",     "watts",     "s",
    "step",      "khz",       "mhz",      "not_accepted", "invalid",   "cancelled", "no_undo",
};

// The band edges' words, beside the clips of the fixed set.
const std::vector<std::string> kBandEdgeNames
    = { "out_of_band", "metres", "centimetres", "region" };

std::set<std::string> everyClipName()
{
    std::set<std::string> names(kFixedNames.begin(), kFixedNames.end());
    names.insert(kBandEdgeNames.begin(), kBandEdgeNames.end());
    for (int n = 0; n < 10; ++n) {
        names.insert(std::to_string(n));
    }
    for (int n = 0; n < 100; ++n) {
        names.insert((n < 10 ? "0" : "") + std::to_string(n));
    }
    return names;
}

std::string spoken(int n)
{
    static const char *const ones[]
        = { "zero",     "one",     "two",     "three",     "four",     "five",    "six",
            "seven",    "eight",   "nine",    "ten",       "eleven",   "twelve",  "thirteen",
            "fourteen", "fifteen", "sixteen", "seventeen", "eighteen", "nineteen" };
    static const char *const tens[]
        = { "", "", "twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety" };
    if (n < 20) {
        return ones[n];
    }
    return std::string(tens[n / 10]) + (n % 10 ? std::string(" ") + ones[n % 10] : "");
}

struct Table {
    std::map<std::string, std::string> words;
    std::map<std::string, std::string> display; // the optional third column
    std::vector<std::string> problems;
};

Table readTable(const char *path = VEXALO_CLIPS_TSV)
{
    Table table;
    std::ifstream in(path);
    EXPECT_TRUE(in) << path;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        std::vector<std::string> columns;
        for (std::size_t from = 0;;) {
            const auto tab = line.find('\t', from);
            columns.push_back(line.substr(from, tab - from));
            if (tab == std::string::npos) {
                break;
            }
            from = tab + 1;
        }
        if (columns.size() < 2 || columns.size() > 3
            || std::ranges::any_of(columns, &std::string::empty)) {
            table.problems.push_back("not NAME TAB WORDS [TAB DISPLAY]: " + line);
            continue;
        }
        if (!table.words.emplace(columns[0], columns[1]).second) {
            table.problems.push_back("twice: " + columns[0]);
        }
        if (columns.size() == 3) {
            table.display.emplace(columns[0], columns[2]);
        }
    }
    return table;
}

TEST(ClipTable, NamesEveryClipOnceWithWordsToSay)
{
    const Table table = readTable();
    EXPECT_EQ(table.problems, std::vector<std::string> {});
    std::set<std::string> listed;
    for (const auto &[name, words] : table.words) {
        listed.insert(name);
    }
    std::vector<std::string> missing, extra;
    const auto expected = everyClipName();
    std::ranges::set_difference(expected, listed, std::back_inserter(missing));
    std::ranges::set_difference(listed, expected, std::back_inserter(extra));
    EXPECT_EQ(missing, std::vector<std::string> {});
    EXPECT_EQ(extra, std::vector<std::string> {});
}

// A second language must cover the whole set and say how each word is written.
TEST(ClipTable, EveryLanguageNamesTheSameClipsWithWordsAndDisplayText)
{
    const Table english = readTable();
    for (const char *path : { VEXALO_CLIPS_DE_TSV }) {
        const Table table = readTable(path);
        EXPECT_EQ(table.problems, std::vector<std::string> {}) << path;
        std::vector<std::string> names, english_names, displayed;
        for (const auto &[name, words] : table.words) {
            names.push_back(name);
        }
        for (const auto &[name, words] : english.words) {
            english_names.push_back(name);
        }
        for (const auto &[name, text] : table.display) {
            displayed.push_back(name);
        }
        EXPECT_EQ(names, english_names) << path;
        EXPECT_EQ(displayed, names) << path;
    }
}

TEST(ClipTable, NumberClipsSayTheirNumber)
{
    const Table table = readTable();
    const struct {
        const char *format;
        int from, to;
    } ranges[] = { { "%d", 0, 9 }, { "%02d", 0, 99 } };
    for (const auto &range : ranges) {
        for (int n = range.from; n <= range.to; ++n) {
            char name[4];
            std::snprintf(name, sizeof name, range.format, n);
            const auto found = table.words.find(name);
            ASSERT_NE(found, table.words.end()) << name;
            EXPECT_EQ(found->second, spoken(n)) << name;
        }
    }
}

struct SndfileCloser {
    void operator()(SNDFILE *file) const { sf_close(file); }
};

TEST(VoiceFolder, HoldsAPlayableRecordingOfEveryClip)
{
    for (const std::string &name : everyClipName()) {
        const std::string path = std::string(VEXALO_VOICE_DIR) + "/" + name + ".wav";
        SF_INFO info {};
        const std::unique_ptr<SNDFILE, SndfileCloser> sound(sf_open(path.c_str(), SFM_READ, &info));
        if (!sound) {
            ADD_FAILURE() << path << ": " << sf_strerror(nullptr);
            continue;
        }
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV) << name;
        std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
        const sf_count_t read = sf_readf_float(sound.get(), samples.data(), info.frames);
        EXPECT_EQ(read, info.frames) << name;
        // One word or a short phrase: longer means the trimming failed, silence means the
        // speech did.
        const double seconds = static_cast<double>(info.frames) / info.samplerate;
        EXPECT_GT(seconds, 0.05) << name;
        EXPECT_LT(seconds, 3.0) << name;
        float peak = 0;
        for (const float value : samples) {
            peak = std::max(peak, std::abs(value));
        }
        EXPECT_GT(peak, 0.05f) << name;
    }
}

} // namespace
