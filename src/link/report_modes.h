// The report mode's one owner: which mode Vexalo has applied, the stored setting, the radio's
// report-mode command and the clients' traffic, which must know whether Vexalo itself wants the
// radio's reports. The window only draws its marks from here; the handshake re-applies the
// stored mode through the same operation the operator's menu uses.
#pragma once

#include "report_mode.h"

#include <QObject>

#include <optional>

namespace vexalo {

class Announcer;
class Link;
struct Settings;

class ReportModes : public QObject {
    Q_OBJECT

public:
    ReportModes(Settings &settings, Announcer &announcer, Link &link)
        : m_settings(settings), m_announcer(announcer), m_link(link)
    {
    }

    // Stores the mode, says its name (to its end, before the radio changes its reporting) and
    // sends the radio's command: "AI0;" for Manual, "AI2;" for the automatic modes.
    void apply(ReportMode mode);
    // The stored mode applied again, as the handshake ends; a stored value that is no mode
    // applies none.
    void applyStored();
    // The handshake's "ai0;": the radio reports nothing while its state is read. The mode
    // applied stays what it was until the stored one is applied again.
    void quietForHandshake();

    // None before a mode has been applied (no radio has answered yet).
    std::optional<ReportMode> applied() const { return m_applied; }
    bool fullAuto() const { return m_applied == ReportMode::FullAuto; }
    // Whether Vexalo has asked the radio to report its changes by itself.
    bool reportsOn() const { return m_applied && *m_applied != ReportMode::Manual; }

signals:
    void changed(vexalo::ReportMode mode);

private:
    Settings &m_settings;
    Announcer &m_announcer;
    Link &m_link;
    std::optional<ReportMode> m_applied;
};

} // namespace vexalo
