// Windows has no speech-dispatcher: asked for it, Vexalo says so and speaks with its clips.
// A screen reader's own voice on Windows would be a service of its own, not this one.
#include "speech_dispatcher.h"

namespace vexalo {

std::unique_ptr<SpeechDispatcher> SpeechDispatcher::connect(std::optional<int>, std::string &why)
{
    why = "speech-dispatcher is not available on Windows";
    return nullptr;
}

SpeechDispatcher::SpeechDispatcher(void *connection) : m_handle(connection) { }

SpeechDispatcher::~SpeechDispatcher() = default;

bool SpeechDispatcher::say(const std::string &)
{
    return false;
}

SpeechService::Progress SpeechDispatcher::wait(std::chrono::milliseconds)
{
    return Progress::Failed;
}

bool SpeechDispatcher::stop()
{
    return false;
}

std::string SpeechDispatcher::failure() const
{
    return "speech-dispatcher is not available on Windows";
}

} // namespace vexalo
