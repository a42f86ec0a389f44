// A scripted radio behind the RadioPort seam: records every write, and answers a known write
// through the event loop, the way a real line's arrival event would, so that waits end on it.
#pragma once

#include "radio_port.h"

#include <QTimer>

#include <cmath>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vexalo::testing {

class FakeRadioPort : public RadioPort {
public:
    bool isOpen() const override { return opened; }
    bool close() override
    {
        opened = false;
        note("close");
        return true;
    }
    bool setPortNumber(const SettingValue &commPort) override
    {
        // A number the port's 16-bit field cannot hold is rejected, as the real port does.
        if (!commPort.isNumber() || !(std::abs(commPort.number()) <= 32767)) {
            return false;
        }
        portNumber = static_cast<int>(commPort.number());
        return true;
    }
    bool open() override
    {
        note("open " + std::to_string(portNumber));
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
        if (timeline) {
            timeline->push_back("write " + std::string(command));
        }
        if (const auto answer = answers.find(std::string(command)); answer != answers.end()) {
            QTimer::singleShot(0, [this, reply = answer->second] { deliver(reply); });
        }
        return true;
    }

    // Answers the handshake and every priming query at once, as a Q7 with default settings.
    void answerLikeAQ7()
    {
        answers = {
            { "id;", "ID019;" },
            { "q72;q7;", "Q7200;" },
            { "q7;", "Q7200;" },
            { "pc;", "PC005;" },
            { "if;", "IF00014025000     +00000000002000000;" },
            { "fr;", "FR0;" },
            { "ft;", "FT0;" },
            { "ks;", "KS020;" },
            { "gt;", "GT002;" },
            { "pa;", "PA1;" },
            { "ra;", "RA00;" },
            { "fw;", "FW27002;" },
            { "nb;", "NB00;" },
        };
    }

    // Delivers input now, as if it had just arrived on the line.
    void arrive(std::string_view input) { deliver(input); }

    // What a look ahead finds: input that arrived while a clip played, not yet delivered.
    std::string takeWaiting() override { return std::exchange(waiting, {}); }
    std::string waiting;

    std::map<std::string, std::string> answers; // write -> what the radio sends back
    std::vector<std::string> written;
    std::vector<std::string> events; // "open N", "close"
    std::vector<std::string> *timeline = nullptr; // when set, also every write, in order
    bool opened = false;
    bool failOpen = false;
    bool failWrite = false;
    int portNumber = 0;

private:
    void note(const std::string &event)
    {
        events.push_back(event);
        if (timeline) {
            timeline->push_back(event);
        }
    }
};

} // namespace vexalo::testing
