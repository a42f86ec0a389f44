#include "speech.h"

#include "logging.h"
#include "q7_globals.h"
#include "reply.h"

#include <algorithm>

namespace vexalo {

bool isValidClipName(std::string_view name)
{
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

void Speech::PlayClip(std::string_view name)
{
    if (!m_globals.speech_on) {
        return;
    }
    qCDebug(lcSpeech, "clip %.*s", static_cast<int>(name.size()), name.data());
    if (isValidClipName(name)) {
        m_sink.playClip(name);
    } else {
        m_sink.playMissing(name);
    }
}

void Speech::SayNumber(std::string_view text)
{
    const Reply f(text);
    if (isNonZeroDigit(f.at(3))) {
        PlayClip(f.at(3));
    }
    int start = 5;
    if (isNonZeroDigit(f.at(4))) {
        PlayClip(f.field(4, 2));
        start = 6;
    }
    for (int pos = start; pos <= 8; ++pos) {
        PlayClip(f.at(pos));
    }
    PlayClip("pt");
    PlayClip(f.at(9));
    PlayClip(f.at(10));
}

void Speech::SayOffset(std::string_view text)
{
    const Reply o(text);
    PlayClip(o.at(1) == "+" ? "plus" : "minus");
    if (isNonZeroDigit(o.at(2))) {
        PlayClip(o.at(2));
        PlayClip("pt");
        for (int pos = 3; pos <= 5; ++pos) {
            PlayClip(o.at(pos));
        }
        return;
    }
    int start = 5;
    if (isNonZeroDigit(o.at(3))) {
        start = 3;
    } else if (isNonZeroDigit(o.at(4))) {
        start = 4;
    }
    for (int pos = start; pos <= 5; ++pos) {
        PlayClip(o.at(pos));
    }
    PlayClip("hz");
}

} // namespace vexalo
