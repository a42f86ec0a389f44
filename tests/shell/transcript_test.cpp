// The transcript stream: one flushed line per announcement, and a stream that fails ends the
// transcript, not the program.
#include "announcement_log.h"
#include "platform_files.h"
#include "transcript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace vexalo::testing {
namespace {

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};

TEST(Transcript, WritesEachAnnouncementAsAFlushedLine)
{
    AnnouncementLog log(ClipWords::english());
    char *text = nullptr;
    std::size_t size = 0;
    std::unique_ptr<std::FILE, FileCloser> out(openMemoryStream(&text, &size));
    if (!out) {
        GTEST_SKIP() << "no stream into memory here";
    }
    Transcript transcript(log, out.get());
    log.announced(Announcement::program({ "14", "0", "2", "5", "pt", "0", "0", "a" }));
    EXPECT_EQ(std::string(text, size), "14025.00 A\n") << "not flushed";
    log.note("vexalo.conf line 2: unknown option '--loud'");
    log.announced(Announcement::program({ "s", "7" }));
    EXPECT_EQ(std::string(text, size), "14025.00 A\nS 7\n") << "a note is shown, not said";
    EXPECT_EQ(log.entries().size(), 3u);
    EXPECT_TRUE(transcript.writing());
    out.reset();
    std::free(text);
}

TEST(Transcript, StopsQuietlyWhenTheStreamFails)
{
    AnnouncementLog log(ClipWords::english());
    if (!failingDevice()) {
        GTEST_SKIP() << "no device here that fails every write";
    }
    const std::unique_ptr<std::FILE, FileCloser> full(std::fopen(failingDevice(), "w"));
    ASSERT_TRUE(full);
    Transcript transcript(log, full.get());
    log.announced(Announcement::program({ "s", "7" }));
    EXPECT_FALSE(transcript.writing());
    log.announced(Announcement::program({ "s", "8" }));
    EXPECT_EQ(log.entries().size(), 2u) << "the log goes on";
}

} // namespace
} // namespace vexalo::testing
