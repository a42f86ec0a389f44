// A speech service that says whole texts in the operator's own voice, rate and language, taking
// turns with the screen reader. The announcer uses it in place of the clips while it works.
// Every call returns within a bounded time; a service that fails or stops answering says so,
// and the announcer goes back to the clips for the rest of the run.
#pragma once

#include <chrono>
#include <string>

namespace vexalo {

class SpeechService {
public:
    enum class Progress {
        Queued, // waiting for its turn (the screen reader may be speaking)
        Speaking,
        Ended, // said to its end, or stopped by us
        Failed, // the service is gone or does not answer; it will not come back
    };

    virtual ~SpeechService() = default;

    // Starts saying the text; false when the service has failed.
    virtual bool say(const std::string &text) = 0;
    // Blocks until the text being said has progressed or `limit` has passed, and says where
    // it stands. Events are not delivered meanwhile, as while a clip plays.
    virtual Progress wait(std::chrono::milliseconds limit) = 0;
    // Stops what this program is saying, never anyone else's speech; false when the service
    // has failed.
    virtual bool stop() = 0;
    // What went wrong, once the service has failed.
    virtual std::string failure() const = 0;
};

} // namespace vexalo
