#include "log.h"

namespace q7sim {

std::string escapeText(std::string_view text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

Log::~Log()
{
    if (m_ownsFile) {
        std::fclose(m_file);
    }
}

bool Log::open(const std::string &target)
{
    if (target.empty()) {
        return true;
    }
    if (target == "-") {
        m_file = stdout;
        return true;
    }
    m_file = std::fopen(target.c_str(), "w");
    m_ownsFile = m_file != nullptr;
    return m_file != nullptr;
}

void Log::line(std::string_view kind, std::string_view text)
{
    if (!m_file) {
        return;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - m_start).count();
    const std::string escaped = escapeText(text);
    std::fprintf(m_file, "%.3f %.*s %s\n", seconds, static_cast<int>(kind.size()), kind.data(),
                 escaped.c_str());
    std::fflush(m_file);
}

} // namespace q7sim
