// The operator's handlers: queries, report modes, the greeting switch and the lock box.
#include "q7status.h"

#include "commands.h"
#include "control_table.h"
#include "link.h"
#include "q7_globals.h"
#include "radio_handshake.h"
#include "report_mode.h"
#include "speech.h"

#include <QAction>

namespace vexalo {

void Q7Status::runSimpleQuery(SimpleQuery query)
{
    const auto announcement = m_speech.announce();
    m_link.ask(window::simpleQueryButton(query).command);
}

void Q7Status::GetInfo_Click()
{
    const auto announcement = m_speech.announce();
    m_g.info_request = true;
    m_link.askAndWait(commands::kInfo);
    m_g.info_request = false;
}

void Q7Status::RIT_get_Click()
{
    const auto announcement = m_speech.announce();
    {
        // The report itself is absorbed silently; what it leaves behind is said below.
        const auto muted = m_speech.mute();
        if (!m_link.askAndWait(commands::kRitXit)) {
            return;
        }
    }

    const long rit = m_g.rit_state;
    const long xit = m_g.xit_state;
    if (rit == 0 && xit == 0) {
        m_speech.PlayClip("rit");
        m_speech.PlayClip("xit");
        m_speech.PlayClip("off");
        return;
    }
    if (rit == 1) {
        m_speech.PlayClip("rit");
    }
    if (xit == 1) {
        m_speech.PlayClip("xit");
    }
    m_speech.SayOffset(m_g.rit_offset.get());
}

void Q7Status::Radio_init_Click()
{
    m_handshake.InitRadio(*this);
}

void Q7Status::send_cmd_Click()
{
    // The debug send was never wired to the line; its controls stay hidden.
}

void Q7Status::exit_pgm_Click()
{
    close();
}

void Q7Status::Manual_report_Click()
{
    applyReportMode(m_manual, m_semi, m_full, ReportMode::Manual, "manual", commands::kAutoInfoOff);
}

void Q7Status::Semi_report_Click()
{
    applyReportMode(m_semi, m_manual, m_full, ReportMode::SemiAuto, "semi_auto",
                    commands::kAutoInfoOn);
}

void Q7Status::Full_report_Click()
{
    applyReportMode(m_full, m_manual, m_semi, ReportMode::FullAuto, "full_auto",
                    commands::kAutoInfoOn);
}

void Q7Status::applyReportMode(QAction *own, QAction *firstOther, QAction *secondOther,
                               ReportMode mode, std::string_view clip, std::string_view command)
{
    const auto announcement = m_speech.announce();
    own->setChecked(true);
    firstOther->setChecked(false);
    secondOther->setChecked(false);
    m_g.report_mode = toSetting(mode);
    // Synchronous, so the confirmation is over before the radio changes its reporting.
    m_speech.PlayClip(clip);
    m_link.SendCommand(command);
}

void Q7Status::greeting_Click()
{
    const auto announcement = m_speech.announce();
    m_speech.PlayClip("greeting");
    const bool enable = !m_greeting->isChecked();
    m_greeting->setChecked(enable);
    m_g.greeting_on = enable;
    m_speech.PlayClip(enable ? "on" : "off");
}

void Q7Status::LockKeyMode_Click()
{
    const auto announcement = m_speech.announce();
    const bool locked = lockKeyModeValue() == 1;
    setTimer1Enabled(locked);
    m_speech.PlayClip(locked ? "on" : "off");
}

} // namespace vexalo
