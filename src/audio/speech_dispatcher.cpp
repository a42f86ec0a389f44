#include "speech_dispatcher.h"

#include "logging.h"

#include <libspeechd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vexalo {

namespace {

constexpr std::chrono::seconds kCallBound { 1 };
constexpr std::chrono::seconds kConnectBound { 4 }; // starting the service takes a while

// The events name their connection only by its client id; the library offers no other way
// back to the object, so the living connections are found here.
std::mutex &registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::map<std::size_t, SpeechDispatcher *> &registry()
{
    static std::map<std::size_t, SpeechDispatcher *> connections;
    return connections;
}

// The socket a watched call is waiting on. A signal handler can reach nothing else, and only
// the program's own thread makes calls, one at a time.
std::atomic<int> watchedSocket { -1 };
std::atomic<bool> watchFired { false };

void onWatchExpired(int)
{
    const int socket = watchedSocket.load();
    if (socket >= 0) {
        watchFired = true;
        ::shutdown(socket, SHUT_RDWR); // async-signal-safe; wakes the library's reader
    }
}

void installWatch()
{
    static const bool installed = [] {
        struct sigaction action { };
        action.sa_handler = onWatchExpired;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGALRM, &action, nullptr) == 0;
    }();
    (void)installed;
}

void armWatch(int socket, std::chrono::microseconds after)
{
    watchFired = false;
    watchedSocket = socket;
    itimerval timer {};
    timer.it_value.tv_sec = static_cast<time_t>(after.count() / 1000000);
    timer.it_value.tv_usec = static_cast<suseconds_t>(after.count() % 1000000);
    ::setitimer(ITIMER_REAL, &timer, nullptr);
}

bool disarmWatch()
{
    itimerval off {};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    watchedSocket = -1;
    return !watchFired.exchange(false);
}

SPDConnection *open(char **error)
{
    // Where the operator has named a service, that one is used; otherwise the library may
    // start the desktop's own, as a screen reader's start would.
    const bool autospawn = std::getenv("SPEECHD_ADDRESS") == nullptr;
    return spd_open2("vexalo", "main", nullptr, SPD_MODE_THREADED, nullptr, autospawn, error);
}

// The service's own client library waits without limit on a service that accepts the
// connection but never answers, before any socket is there to watch; a child tries first.
bool answersInTime(std::string &why)
{
    const pid_t child = ::fork();
    if (child < 0) {
        return true; // no way to try first; the connection itself will tell
    }
    if (child == 0) {
        char *error = nullptr; // the library writes its reason here, and needs somewhere to
        SPDConnection *connection = open(&error);
        ::_exit(connection != nullptr ? 0 : 1);
    }
    const auto deadline = std::chrono::steady_clock::now() + kConnectBound;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            why = "the speech service does not answer";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

SPDConnection *of(void *handle)
{
    return static_cast<SPDConnection *>(handle);
}

} // namespace

std::unique_ptr<SpeechDispatcher> SpeechDispatcher::connect(std::optional<int> rate,
                                                            std::string &why)
{
    if (!answersInTime(why)) {
        return nullptr;
    }
    char *error = nullptr;
    SPDConnection *connection = open(&error);
    if (connection == nullptr) {
        why = std::string("no speech service: ") + (error != nullptr ? error : "unknown error");
        std::free(error);
        return nullptr;
    }
    std::unique_ptr<SpeechDispatcher> service(new SpeechDispatcher(connection));
    bool ok = service->watched(
        [&] {
            return spd_set_notification_on(connection, SPD_BEGIN) == 0
                && spd_set_notification_on(connection, SPD_END) == 0
                && spd_set_notification_on(connection, SPD_CANCEL) == 0;
        },
        "asking for events");
    if (ok && rate) {
        ok = service->watched([&] { return spd_set_voice_rate(connection, *rate) == 0; },
                              "setting the rate");
    }
    if (!ok) {
        why = service->failure();
        return nullptr;
    }
    return service;
}

SpeechDispatcher::SpeechDispatcher(void *connection) : m_handle(connection)
{
    installWatch();
    const auto event = [](std::size_t message, std::size_t client, SPDNotificationType type) {
        onEvent(message, client, static_cast<int>(type));
    };
    of(m_handle)->callback_begin = event;
    of(m_handle)->callback_end = event;
    of(m_handle)->callback_cancel = event;
    watched(
        [this] {
            const int client = spd_get_client_id(of(m_handle));
            m_client = client > 0 ? static_cast<std::size_t>(client) : 0;
            return client > 0;
        },
        "identifying the connection");
    const std::lock_guard lock(registryMutex());
    registry()[m_client] = this;
}

SpeechDispatcher::~SpeechDispatcher()
{
    {
        const std::lock_guard lock(registryMutex());
        registry().erase(m_client);
    }
    // Closing waits for the library's reader, which a service that hangs would keep waiting.
    armWatch(of(m_handle)->socket, kCallBound);
    spd_close(of(m_handle));
    disarmWatch();
}

template <typename Call> bool SpeechDispatcher::watched(Call call, const char *what)
{
    if (!failure().empty()) {
        return false;
    }
    armWatch(of(m_handle)->socket, kCallBound);
    const bool done = call();
    if (!disarmWatch()) {
        fail(std::string("the speech service stopped answering while ") + what);
        return false;
    }
    if (!done) {
        fail(std::string("the speech service failed ") + what);
    }
    return done;
}

void SpeechDispatcher::fail(const std::string &why)
{
    const std::lock_guard lock(m_mutex);
    if (m_failure.empty()) {
        m_failure = why;
    }
    m_changed.notify_all();
}

std::string SpeechDispatcher::failure() const
{
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

bool SpeechDispatcher::say(const std::string &text)
{
    int id = -1;
    if (!watched(
            [&] {
                id = spd_say(of(m_handle), SPD_MESSAGE, text.c_str());
                return id > 0;
            },
            "taking a text")) {
        return false;
    }
    qCDebug(lcSpeech, "service: message %d: %s", id, text.c_str());
    const std::lock_guard lock(m_mutex);
    m_current = static_cast<std::size_t>(id);
    // Events of this message may have come before its id did.
    m_messages.emplace(m_current, Progress::Queued);
    std::erase_if(m_messages, [this](const auto &entry) { return entry.first < m_current; });
    return true;
}

SpeechService::Progress SpeechDispatcher::wait(std::chrono::milliseconds limit)
{
    // A service that was killed never sends the end; its connection shows it at once, as a
    // hang-up, or as a socket the library has already closed on reading the end of it.
    pollfd hangup { of(m_handle)->socket, POLLRDHUP, 0 };
    if (::poll(&hangup, 1, 0) > 0
        && (hangup.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0) {
        fail("the speech service went away");
    }
    std::unique_lock lock(m_mutex);
    const auto now = [this] {
        const auto found = m_messages.find(m_current);
        return found == m_messages.end() ? Progress::Queued : found->second;
    };
    const Progress before = now();
    m_changed.wait_for(lock, limit, [&] { return !m_failure.empty() || now() != before; });
    return m_failure.empty() ? now() : Progress::Failed;
}

bool SpeechDispatcher::stop()
{
    return watched([this] { return spd_cancel(of(m_handle)) == 0; }, "stopping");
}

void SpeechDispatcher::event(std::size_t message, int type)
{
    Progress progress = Progress::Speaking;
    if (type == SPD_EVENT_END || type == SPD_EVENT_CANCEL) {
        progress = Progress::Ended;
    } else if (type != SPD_EVENT_BEGIN) {
        return;
    }
    // On the library's thread; the log is safe from any thread.
    qCDebug(lcSpeech, "service: message %zu %s", message,
            type == SPD_EVENT_BEGIN     ? "begin"
                : type == SPD_EVENT_END ? "end"
                                        : "cancel");
    const std::lock_guard lock(m_mutex);
    if (message >= m_current) {
        m_messages[message] = progress;
    }
    m_changed.notify_all();
}

void SpeechDispatcher::onEvent(std::size_t message, std::size_t client, int type)
{
    const std::lock_guard lock(registryMutex());
    if (const auto found = registry().find(client); found != registry().end()) {
        found->second->event(message, type);
    }
}

} // namespace vexalo
