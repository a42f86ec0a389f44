// The program's phase, with one owner: the shell moves it from loading to running and, at the
// first request to stop, to shutting down. The link, the handshake, speech and the window ask
// it whether they may still speak or touch the port instead of keeping flags of their own.
// A stop can also be pending before the shell has seen it (a signal that arrived while a clip
// played and no events were delivered); the probe lets every clip boundary notice that at once.
#pragma once

#include <functional>
#include <utility>

namespace vexalo {

class Lifecycle {
public:
    enum class Phase { Loading, Running, ShuttingDown };

    Phase phase() const { return m_phase; }
    void setRunning()
    {
        if (m_phase == Phase::Loading) {
            m_phase = Phase::Running;
        }
    }
    void beginShutdown() { m_phase = Phase::ShuttingDown; }

    // Once true, nothing but the shutdown's own steps may speak or touch the port, and every
    // wait ends at once.
    bool stopping() const
    {
        return m_phase == Phase::ShuttingDown || (m_stopPending && m_stopPending());
    }

    void setStopProbe(std::function<bool()> probe) { m_stopPending = std::move(probe); }

private:
    Phase m_phase = Phase::Loading;
    std::function<bool()> m_stopPending;
};

} // namespace vexalo
