#include "report_modes.h"

#include "announcer.h"
#include "commands.h"
#include "link.h"
#include "settings.h"

namespace vexalo {

namespace {

std::string_view clipOf(ReportMode mode)
{
    switch (mode) {
    case ReportMode::Manual:
        return "manual";
    case ReportMode::SemiAuto:
        return "semi_auto";
    case ReportMode::FullAuto:
        return "full_auto";
    }
    return {};
}

} // namespace

void ReportModes::apply(ReportMode mode)
{
    m_applied = mode;
    m_settings.report_mode = toSetting(mode);
    emit changed(mode);
    m_announcer.say({ std::string(clipOf(mode)) });
    const bool reports = mode != ReportMode::Manual;
    if (m_link.SendCommand(reports ? commands::kAutoInfoOn : commands::kAutoInfoOff)) {
        m_link.clients().setOwnReports(reports);
    }
}

void ReportModes::applyStored()
{
    if (const auto mode = reportModeOf(m_settings.report_mode)) {
        apply(*mode);
    }
}

void ReportModes::quietForHandshake()
{
    if (m_link.SendCommand(commands::kAutoInfoOffQuiet)) {
        m_link.clients().setOwnReports(false);
    }
}

} // namespace vexalo
