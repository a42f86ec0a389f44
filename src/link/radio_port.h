// The serial line to the radio as the rest of the program sees it: a port number, the fixed line
// settings, open and close, writing a command, and arrivals handed to a receiver. The product
// runs it on Qt SerialPort; tests put a scripted radio behind the same seam.
#pragma once

#include "setting_value.h"

#include <functional>
#include <string>
#include <string_view>

namespace vexalo {

class RadioPort {
public:
    using Receiver = std::function<void(std::string_view)>;

    virtual ~RadioPort() = default;

    virtual bool isOpen() const = 0;
    // Each returns false when the step failed; the callers decide what a failure means.
    virtual bool close() = 0;
    virtual bool setPortNumber(const SettingValue &commPort) = 0;
    virtual bool open() = 0;
    // 4800 baud, no parity, 8 data bits, 1 stop bit, RTS asserted, no flow control.
    virtual bool configure() = 0;
    virtual bool write(std::string_view command) = 0;

    // Characters that have arrived but have not been handed to the receiver yet, taken without
    // delivering any event: a clip boundary may look ahead at what the radio has said since.
    virtual std::string takeWaiting() { return {}; }
    // Hands what is waiting to the receiver now. Called before a query is given up (under the
    // exchange's grace): on a busy machine a timer can run before the line is read, with the
    // answer already there.
    void handOnWaiting()
    {
        const std::string input = takeWaiting();
        if (!input.empty()) {
            deliver(input);
        }
    }

    // Every arrival of characters, as soon as it is waiting, all of it at once.
    void setReceiver(Receiver receiver) { m_receiver = std::move(receiver); }

protected:
    void deliver(std::string_view input)
    {
        if (m_receiver) {
            m_receiver(input);
        }
    }

private:
    Receiver m_receiver;
};

} // namespace vexalo
