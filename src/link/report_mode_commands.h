// The three report-mode commands of the window, which the handshake re-applies at its end.
// A seam, so that the handshake depends on what it calls and not on the window itself.
#pragma once

namespace vexalo {

class ReportModeCommands {
public:
    virtual ~ReportModeCommands() = default;
    virtual void Manual_report_Click() = 0;
    virtual void Semi_report_Click() = 0;
    virtual void Full_report_Click() = 0;
};

} // namespace vexalo
