// A bounded wait that keeps the program alive: window, serial and timer events are delivered
// while it lasts, so an awaited reply is handled inside it. It blocks while nothing happens
// rather than spinning, and it may nest inside another wait.
#pragma once

#include <chrono>
#include <functional>

namespace vexalo {

// Delivers events until done() holds (checked before each block) or the time is up.
void waitDeliveringEvents(std::chrono::milliseconds limit, const std::function<bool()> &done);

} // namespace vexalo
