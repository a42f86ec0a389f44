// Speaking through a speech service: each part of an announcement is one text in the words of
// the voice table, a part made stale while it is spoken is stopped (only that part), and a
// service that fails, refuses or hangs hands over to the clips with nothing lost.
#include "announcer.h"
#include "clip_recorder.h"
#include "clip_words.h"

#include <gtest/gtest.h>

#include <thread>

namespace vexalo::testing {
namespace {

struct FakeService : SpeechService {
    enum class Then { Ends, Fails, Hangs };

    bool say(const std::string &text) override
    {
        if (refuses) {
            return false;
        }
        said.push_back(text);
        return true;
    }
    Progress wait(std::chrono::milliseconds limit) override
    {
        std::this_thread::sleep_for(std::min(limit, std::chrono::milliseconds(1)));
        switch (then) {
        case Then::Ends:
            return Progress::Ended;
        case Then::Fails:
            return Progress::Failed;
        case Then::Hangs:
            break;
        }
        return Progress::Speaking;
    }
    bool stop() override
    {
        said.back() += " (stopped)";
        return true;
    }
    std::string failure() const override { return "gone"; }

    Then then = Then::Ends;
    bool refuses = false;
    std::vector<std::string> said;
};

// Hands one announcement to the announcer at the first step between clips.
struct OneArrival : BetweenClips, AnnouncementListener {
    void betweenClips() override
    {
        if (announcer != nullptr && pending) {
            announcer->enqueue(*std::exchange(pending, std::nullopt));
        }
    }
    void announced(const Announcement &a) override { heard.push_back(a); }

    Announcer *announcer = nullptr;
    std::optional<Announcement> pending;
    std::vector<Announcement> heard;
};

Announcement report(std::initializer_list<Part> parts)
{
    return Announcement { Origin::Report, parts };
}

TEST(SpeechService, EachPartIsOneTextAndWhatIsHeardIsTheAnnouncementItself)
{
    FakeService service;
    ClipRecorder<> sink;
    Announcer announcer(sink);
    OneArrival rig;
    announcer.setListener(&rig);
    announcer.unmute();
    announcer.useService(&service, ClipWords::english(), {});
    const Announcement said = report({ { Reading::None, { "cue_band_left", "out_of_band" } },
                                       { Reading::Mode, { "usb" } },
                                       { Reading::Rit, { "rit", "plus", "1", "2", "0", "hz" } } });
    announcer.say(said);
    EXPECT_EQ(
        service.said,
        (std::vector<std::string> { "out of band", "U S B", "R I T plus one two zero hertz" }));
    EXPECT_EQ(sink.log(), std::vector<std::string> { "clip cue_band_left" })
        << "no clip besides the service, only the tones it cannot say";
    ASSERT_EQ(rig.heard.size(), 1u);
    EXPECT_EQ(rig.heard.front(), said) << "the log and the transcript get what was spoken";
}

TEST(SpeechService, APartMadeStaleWhileSpokenIsStoppedAndTheRestSaid)
{
    FakeService service;
    service.then = FakeService::Then::Hangs;
    ClipRecorder<> sink;
    Announcer announcer(sink);
    OneArrival rig;
    rig.announcer = &announcer;
    rig.pending = report({ { Reading::FrequencyA, { "14", "pt", "1" } } });
    announcer.setBetweenClips(&rig);
    announcer.unmute();
    announcer.useService(&service, ClipWords::english(), {},
                         { std::chrono::milliseconds(200), {}, std::chrono::milliseconds(1) });
    announcer.say(report({ { Reading::FrequencyA, { "14", "pt", "0" } } }));
    ASSERT_GE(service.said.size(), 2u);
    EXPECT_EQ(service.said.front(), "fourteen point zero (stopped)");
    EXPECT_EQ(service.said[1], "fourteen point one");
}

// The sound card does not hear the service, so the S-meter tone is held silent while it speaks.
TEST(SpeechService, TheToneIsSilentWhileTheServiceSpeaks)
{
    FakeService service;
    ClipRecorder<> sink;
    Announcer announcer(sink);
    announcer.unmute();
    announcer.useService(&service, ClipWords::english(), {});
    announcer.setTone(800);
    announcer.say({ "tone", "on" });
    EXPECT_EQ(service.said, std::vector<std::string> { "tone on" });
    EXPECT_EQ(sink.log(), (std::vector<std::string> { "tone 800", "tone 0", "tone 800" }));
}

TEST(SpeechService, AFailingRefusingOrHangingServiceHandsOverToTheClipsWithNothingLost)
{
    const struct {
        const char *name;
        FakeService::Then then;
        bool refuses;
        Clips clips; // heard through the clips afterwards
    } cases[] = {
        { "fails while speaking", FakeService::Then::Fails, false, { "usb", "s", "7" } },
        { "refuses the text", FakeService::Then::Ends, true, { "usb", "s", "7" } },
        { "stops answering", FakeService::Then::Hangs, false, { "usb", "s", "7" } },
    };
    for (const auto &c : cases) {
        FakeService service;
        service.then = c.then;
        service.refuses = c.refuses;
        ClipRecorder<> sink;
        Announcer announcer(sink);
        announcer.unmute();
        std::vector<std::string> lost;
        announcer.useService(&service, ClipWords::english(),
                             [&lost](const std::string &why) { lost.push_back(why); },
                             { std::chrono::milliseconds(30), {}, std::chrono::milliseconds(1) });
        announcer.say(report({ { Reading::Mode, { "usb" } } }));
        announcer.say(report({ { Reading::SMeter, { "s", "7" } } }));
        EXPECT_EQ(sink.take(), c.clips) << c.name;
        EXPECT_EQ(lost, std::vector<std::string> { "gone" }) << c.name << ": told once";
        EXPECT_FALSE(announcer.usingService()) << c.name;
    }
}

} // namespace
} // namespace vexalo::testing
