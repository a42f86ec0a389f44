// A scripted radio behind the RadioPort seam: records every write, and answers a known write
// through the event loop, the way a real line's arrival event would, so that waits end on it.
#pragma once

#include "radio_port.h"

#include <QTimer>

#include <map>
#include <string>
#include <vector>

namespace vexalo::testing {

class FakeRadioPort : public RadioPort {
public:
    bool isOpen() const override { return opened; }
    bool close() override
    {
        opened = false;
        events.push_back("close");
        return true;
    }
    bool setPortNumber(const SettingValue &commPort) override
    {
        if (!commPort.isNumber()) {
            return false;
        }
        portNumber = static_cast<int>(commPort.number());
        return true;
    }
    bool open() override
    {
        events.push_back("open " + std::to_string(portNumber));
        opened = !failOpen;
        return opened;
    }
    bool configure() override { return true; }
    bool write(std::string_view command) override
    {
        if (!opened || failWrite) {
            return false;
        }
        written.emplace_back(command);
        if (const auto answer = answers.find(std::string(command)); answer != answers.end()) {
            QTimer::singleShot(0, [this, reply = answer->second] { deliver(reply); });
        }
        return true;
    }

    // Delivers input now, as if it had just arrived on the line.
    void arrive(std::string_view input) { deliver(input); }

    std::map<std::string, std::string> answers; // write -> what the radio sends back
    std::vector<std::string> written;
    std::vector<std::string> events; // "open N", "close"
    bool opened = false;
    bool failOpen = false;
    bool failWrite = false;
    int portNumber = 0;
};

} // namespace vexalo::testing
