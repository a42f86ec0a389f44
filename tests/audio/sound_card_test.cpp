// The product's sink on the real sound card, whatever this machine has: none on the build
// machines and in CI. The clips are silent, so a machine with a card plays nothing audible.
#include "clip_files.h"
#include "output_clip_sink.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sstream>

namespace vexalo::testing {
namespace {

// Everything written to file descriptor 2 while it lives, by any library.
class StderrCapture {
public:
    explicit StderrCapture(const fs::path &file) : m_file(file)
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrCapture() { restore(); }
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    std::string take()
    {
        restore();
        std::stringstream text;
        text << std::ifstream(m_file).rdbuf();
        return text.str();
    }

private:
    void restore()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
            m_saved = -1;
        }
    }

    fs::path m_file;
    int m_saved = -1;
};

TEST(OutputClipSinkOnThisMachine, PrintsNothingWhateverTheCardDoes)
{
    TempFolder folder;
    writeWav(folder.path() / "ZSsounds" / "pt.wav", std::vector<std::int16_t>(441, 0), 22050);
    writeWav(folder.path() / "ZSsounds" / "hz.wav", std::vector<std::int16_t>(882, 0), 44100, 2);
    const fs::path before = fs::current_path();
    fs::current_path(folder.path());

    StderrCapture capture(folder.path() / "stderr.txt");
    {
        OutputClipSink sink;
        // Missing clips beep where there is a card; the beep is kept to one.
        for (const char *clip : { "pt", "hz", "pt", "nosuch" }) {
            sink.playClip(clip);
        }
    }
    const std::string printed = capture.take();
    fs::current_path(before);
    EXPECT_EQ(printed, "");
}

} // namespace
} // namespace vexalo::testing
