// The desktop's speech service, speech-dispatcher, through its own client library libspeechd:
// what the operator's screen reader speaks with, in the voice, rate and language set there.
// Texts go at "message" priority, so the screen reader neither cuts them nor talks over them,
// and stopping touches only this program's speech. Begin and end come as events on the
// library's own thread and are handed to the program's thread under a lock.
#pragma once

#include "speech_service.h"

#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace vexalo {

class SpeechDispatcher : public SpeechService {
public:
    // Connects, starting the service where the desktop would (unless SPEECHD_ADDRESS names
    // one), and sets this program's own rate on top of the operator's when one is given
    // (-100 to 100). Nothing, with `why` said, when there is no service or it does not answer
    // within a few seconds. Call before any other thread exists: a service that hangs is
    // first tried from a child process, which can be given up on.
    static std::unique_ptr<SpeechDispatcher> connect(std::optional<int> rate, std::string &why);

    ~SpeechDispatcher() override;
    SpeechDispatcher(const SpeechDispatcher &) = delete;
    SpeechDispatcher &operator=(const SpeechDispatcher &) = delete;

    bool say(const std::string &text) override;
    Progress wait(std::chrono::milliseconds limit) override;
    bool stop() override;
    std::string failure() const override;

private:
    // The library's connection type is an unnamed struct, which cannot be declared here.
    explicit SpeechDispatcher(void *connection);
    // libspeechd waits without limit for a service that has stopped answering; each call runs
    // under a watch that shuts the connection down after a second, which ends the wait.
    template <typename Call> bool watched(Call call, const char *what);
    void fail(const std::string &why);
    void event(std::size_t message, int type);
    static void onEvent(std::size_t message, std::size_t client, int type);

    void *m_handle;
    std::size_t m_client = 0;
    mutable std::mutex m_mutex; // guards what the library's thread writes
    std::condition_variable m_changed;
    std::map<std::size_t, Progress> m_messages; // by message id, as the events left them
    std::size_t m_current = 0;
    std::string m_failure; // empty while the service works
};

} // namespace vexalo
