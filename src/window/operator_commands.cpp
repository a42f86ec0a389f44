// The operator's handlers: queries, the report modes' marks, the greeting switch and the lock box.
#include "q7status.h"

#include "announcer.h"
#include "band_edges.h"
#include "commands.h"
#include "control_table.h"
#include "interpreter.h"
#include "link.h"
#include "radio_handshake.h"
#include "settings.h"

#include <QAction>

#include <string>

namespace vexalo {

void Q7Status::runSimpleQuery(SimpleQuery query)
{
    m_link.ask(window::simpleQueryButton(query).command);
}

void Q7Status::GetInfo_Click()
{
    m_link.askAndWait(commands::kInfo, Exchange::Kind::Info);
}

void Q7Status::RIT_get_Click()
{
    // The report itself is absorbed silently; what it leaves behind is said below.
    switch (m_link.askSilentlyAndWait(commands::kRitXit)) {
    case Link::Asked::Stopping:
    case Link::Asked::WriteFailed:
        // The failed write was heard as an error; nothing was asked, so the values below
        // would be stale ones passed off as the radio's answer.
        return;
    case Link::Asked::Waited:
        m_announcer.say(ritXitReadout(m_interpreter.state()));
        return;
    }
}

void Q7Status::Radio_init_Click()
{
    m_handshake.InitRadio();
}

void Q7Status::send_cmd_Click()
{
    // The debug send was never wired to the line; its controls stay hidden.
}

void Q7Status::exit_pgm_Click()
{
    close();
}

void Q7Status::drawReportMode(ReportMode mode)
{
    const std::pair<QAction *, ReportMode> marks[] = { { m_manual, ReportMode::Manual },
                                                       { m_semi, ReportMode::SemiAuto },
                                                       { m_full, ReportMode::FullAuto } };
    // The applied mode's mark first, then the others cleared.
    for (const auto &[entry, its] : marks) {
        if (its == mode) {
            entry->setChecked(true);
        }
    }
    for (const auto &[entry, its] : marks) {
        if (its != mode) {
            entry->setChecked(false);
        }
    }
}

void Q7Status::greeting_Click()
{
    const bool enable = !m_greeting->isChecked();
    m_greeting->setChecked(enable);
    m_settings.greeting_on = enable;
    m_announcer.say({ "greeting", enable ? "on" : "off" });
}

void Q7Status::toggleOption(QAction *entry, const QString &name,
                            const std::function<void(bool)> &apply)
{
    const bool enable = !entry->isChecked();
    entry->setChecked(enable);
    apply(enable);
    m_announcer.say({ enable ? "on" : "off" });
    emit optionChosen(name);
}

void Q7Status::settle_Click()
{
    toggleOption(m_settle, QStringLiteral("settle"),
                 [this](bool on) { m_announcer.setSettling(on); });
}

void Q7Status::shortReadouts_Click()
{
    toggleOption(m_shortReadouts, QStringLiteral("short-readouts"),
                 [this](bool on) { m_announcer.setShortReadouts(on); });
}

void Q7Status::ticks_Click()
{
    toggleOption(m_ticks, QStringLiteral("ticks"), [this](bool on) { m_announcer.setTicks(on); });
}

void Q7Status::announce_Click(QAction *entry, const AnnouncedReading &reading)
{
    toggleOption(entry, QStringLiteral("announce"),
                 [this, &reading](bool on) { m_announcer.setAnnounced(reading, on); });
}

void Q7Status::region_Click(int region)
{
    m_bandEdges.setRegion(region);
    for (std::size_t entry = 0; entry < m_regions.size(); ++entry) {
        m_regions.at(entry)->setChecked(static_cast<int>(entry) == m_bandEdges.region());
    }
    m_announcer.say(region == 0 ? Clips { "off" } : Clips { "region", std::to_string(region) });
    emit optionChosen(QStringLiteral("region"));
}

void Q7Status::LockKeyMode_Click()
{
    const bool locked = lockKeyModeChecked();
    m_link.setLockPolling(locked);
    m_announcer.say({ locked ? "on" : "off" });
}

} // namespace vexalo
