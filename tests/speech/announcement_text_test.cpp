// Announcements as text: the rule that writes a line from clips, the words of another
// language's table, and the log that keeps the lines and says the newest again.
#include "announcement_log.h"
#include "announcer.h"
#include "clip_recorder.h"
#include "clip_words.h"
#include "cues.h"
#include "platform_files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>

namespace vexalo::testing {
namespace {

TEST(AnnouncementText, WritesWordsAndJoinsNumbers)
{
    const struct {
        Clips clips;
        const char *line;
    } cases[] = {
        { { "14", "0", "2", "5", "pt", "0", "0", "a" }, "14025.00 A" },
        { { "1", "8", "1", "2", "pt", "5", "0", "b", "usb" }, "1812.50 B USB" },
        { { "s", "7" }, "S 7" },
        { { "s", "9", "plus", "20" }, "S 9 plus 20" },
        { { "rit", "plus", "1", "2", "0", "hz" }, "RIT plus 120 Hz" },
        { { "xit", "minus", "1", "pt", "0", "5", "0" }, "XIT minus 1.050" },
        { { "7", "pt", "0" }, "7.0" },
        { { "q7_error" }, "radio error" },
        { { "comm", "10" }, "COM 10" },
        { { "fl2", "2", "hundred", "50", "hz" }, "filter 2 2 hundred 50 Hz" },
        { { "power", "10", "pt", "5", "watts" }, "power 10.5 watts" },
        // Digits read from a field keep no leading zeros, but a zero stays a zero.
        { { "speed", "05" }, "speed 5" },
        { { "0", "5", "0", "0", "pt", "0", "0", "a" }, "500.00 A" },
        { { "plus", "0", "hz" }, "plus 0 Hz" },
        // A decimal mark not between two numbers stays a word.
        { { "pt", "5" }, ". 5" },
        { { "5", "pt" }, "5 ." },
        // Names that are no clips come from the radio: shown, never sent to a terminal as is.
        { { "?", "?x\x1b[2J", "?a b\\" }, "? ?x\\x1b[2J ?a\\x20b\\x5c" },
        { {}, "" },
    };
    const ClipWords words = ClipWords::english();
    for (const auto &c : cases) {
        EXPECT_EQ(words.line(c.clips), c.line) << c.line;
    }
}

// What a speech service is given to say, in the voice table's spoken words.
TEST(SpokenWords, EachKindOfAnnouncementInEnglishAndGerman)
{
    ClipWords german = ClipWords::english();
    std::ifstream table(VEXALO_VOICE_SOURCE "/clips.de.tsv");
    german.read(std::string(std::istreambuf_iterator<char>(table), {}));
    const struct {
        Clips clips;
        const char *english;
        const char *inGerman;
    } cases[] = {
        { { "14", "0", "2", "5", "pt", "0", "0", "a" },
          "fourteen zero two five point zero zero A",
          "vierzehn null zwei fünf Komma null null A" },
        { { "s", "9", "plus", "40" }, "S nine plus forty", "S neun plus vierzig" },
        { { "rit", "plus", "1", "2", "0", "hz" },
          "R I T plus one two zero hertz",
          "R I T plus eins zwei null Hertz" },
        { { "7", "pt", "0" }, "seven point zero", "sieben Komma null" },
        // A tone is no word.
        { { "cue_band_entered", "7", "pt", "0" }, "seven point zero", "sieben Komma null" },
        { { "q7_error" }, "radio error", "Funkgerätfehler" },
        { { "dorvaneq7" }, "Welcome to Vexalo for the Q 7", "Willkommen bei Vexalo für den Q 7" },
        { { "73s" }, "seventy three", "dreiundsiebzig" },
        // Reply garbage is never read out.
        { { "speed", "?0A;", "" }, "speed", "Tempo" },
    };
    const ClipWords english = ClipWords::english();
    for (const auto &c : cases) {
        EXPECT_EQ(english.utterance(c.clips), c.english);
        EXPECT_EQ(german.utterance(c.clips), c.inGerman);
    }
}

TEST(AnnouncementText, EveryClipOfTheTableIsWritten)
{
    // 60 words, "0" to "9" and "00" to "99", and the cues: a line of the table without its
    // written form would be missing here.
    EXPECT_EQ(ClipWords::english().size(), 170u + std::size(kCues));
}

TEST(AnnouncementText, TakesTheVoiceFoldersWordsOverEnglish)
{
    const std::string table = "# German\n"
                              "pt\tKomma\t,\r\n"
                              "hz\tHertz\tHz\n"
                              "q7_error\tFunkgerätfehler\tFunkgerätfehler\n"
                              "on\tan\n" // no written form: English stays
                              "Bad name\tx\ty\n" // no clip: ignored
                              "off\taus\ta\x07us\n"; // control characters are dropped
    const struct {
        const char *what;
        bool write;
        Clips clips;
        const char *line;
    } cases[] = {
        { "table", true, { "14", "0", "2", "5", "pt", "0", "0", "a" }, "14025,00 A" },
        { "table", true, { "q7_error", "on", "off" }, "Funkgerätfehler on aus" },
        { "no table", false, { "14", "0", "pt", "5", "0", "hz" }, "140.50 Hz" },
    };
    for (const auto &c : cases) {
        QTemporaryDir dir;
        if (c.write) {
            std::ofstream(dir.filePath("words.tsv").toStdString()) << table;
        }
        EXPECT_EQ(ClipWords::forVoice(dir.path().toStdString()).line(c.clips), c.line) << c.what;
    }

    // A named pipe would block the program for good if it were opened.
    QTemporaryDir dir;
    if (makeNamedPipe(dir.filePath("words.tsv").toStdString())) {
        EXPECT_EQ(ClipWords::forVoice(dir.path().toStdString()).line({ "pt" }), ".");
    }
}

struct LogRig {
    LogRig()
    {
        announcer.setListener(&log);
        announcer.unmute();
    }

    void say(const Clips &clips) { announcer.say(clips); }

    ClipRecorder<> sink;
    Announcer announcer { sink };
    int seconds = 0;
    AnnouncementLog log { ClipWords::english(),
                          [this] { return QTime(23, 59, 0).addSecs(seconds++); } };
};

TEST(AnnouncementLog, KeepsTheNewestLinesWithTheirTime)
{
    LogRig rig;
    QStringList followed;
    QObject::connect(&rig.log, &AnnouncementLog::added,
                     [&](const LoggedAnnouncement &entry) { followed << entry.line(); });
    rig.say({ "s", "7" });
    rig.say({});
    EXPECT_EQ(followed, QStringList({ "23:59:00  S 7" })) << "nothing said, nothing logged";
    for (int i = 0; i < 200; ++i) {
        rig.say({ "speed", std::to_string(10 + i % 90) });
    }
    ASSERT_EQ(rig.log.entries().size(), AnnouncementLog::kCapacity);
    EXPECT_EQ(rig.log.entries().front().text, "speed 10") << "S 7 has gone";
    EXPECT_EQ(rig.log.entries().back().line(), "00:02:20  speed 29");
    EXPECT_EQ(followed.size(), 201);
}

TEST(Announcements, RepeatSaysTheNewestAgainUnderTheSameRules)
{
    const struct {
        const char *what;
        Clips said;
        bool muted;
        Clips heardAgain;
        std::size_t entries;
    } cases[] = {
        { "nothing said yet", {}, false, {}, 0 },
        { "readout",
          { "14", "0", "2", "5", "pt", "0", "0", "a" },
          false,
          { "14", "0", "2", "5", "pt", "0", "0", "a" },
          2 },
        { "garbage asked again as it was", { "s", "x;", "" }, false, { "s", "?x;", "?" }, 2 },
        { "muted", { "s", "7" }, true, {}, 1 },
    };
    for (const auto &c : cases) {
        LogRig rig;
        rig.say(c.said);
        rig.sink.take();
        std::optional<Announcer::Mute> muted;
        if (c.muted) {
            muted.emplace(rig.announcer);
        }
        rig.announcer.repeatLast();
        EXPECT_EQ(rig.sink.take(), c.heardAgain) << c.what;
        ASSERT_EQ(rig.log.entries().size(), c.entries) << c.what;
        if (c.entries == 2) {
            EXPECT_EQ(rig.log.entries()[1].clips, rig.log.entries()[0].clips) << c.what;
        }
    }
}

} // namespace
} // namespace vexalo::testing
