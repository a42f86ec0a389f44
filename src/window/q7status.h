// The main window Q7Status: the sixteen command buttons, the help line, the hidden debug area,
// the lock check box and the two menus, with the operator's handlers. Each handler only
// forwards to the settings, the announcer, the link and the handshake; the shell owns start-up,
// shutdown and what choosing a port does. The window's check marks are what the reply path
// reads of it.
#pragma once

#include "link.h"
#include "report_mode.h"

#include <QMainWindow>

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

class QAction;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vexalo {

class AnnouncementLog;
class Announcer;
struct AnnouncedReading;
class BandEdges;
class HistoryWindow;
class KeysWhileSpeaking;
class Interpreter;
class Link;
class OperatorSettings;
class RadioHandshake;
class ValueEntry;
struct Settings;

struct WindowParts {
    Settings &settings;
    const Interpreter &interpreter;
    Announcer &announcer;
    Link &link;
    RadioHandshake &handshake;
    OperatorSettings &operatorSettings;
    BandEdges &bandEdges;
};

class Q7Status : public QMainWindow, public WindowReadouts {
    Q_OBJECT

public:
    static constexpr int kPortCount = 10;

    // The twelve queries that only send and return, in the order of their dispatch table.
    enum class SimpleQuery : std::size_t {
        VfoA,
        VfoB,
        RxVfo,
        Mode,
        Filter,
        SMeter,
        Agc,
        Keyer,
        Power,
        PreAmp,
        NoiseBlanker,
        Attenuator,
        Count,
    };

    explicit Q7Status(WindowParts parts, QWidget *parent = nullptr);
    ~Q7Status() override;

    // WindowReadouts.
    bool lockChecked() const override { return lockKeyModeChecked(); }

    // The three "Report Mode" entries: the link's report mode applies the choice, and the
    // marks follow whatever it applied.
    void Manual_report_Click() { m_link.reportModes().apply(ReportMode::Manual); }
    void Semi_report_Click() { m_link.reportModes().apply(ReportMode::SemiAuto); }
    void Full_report_Click() { m_link.reportModes().apply(ReportMode::FullAuto); }

    void GetInfo_Click();
    void GetVFO_A_Click() { runSimpleQuery(SimpleQuery::VfoA); }
    void GetVFO_B_Click() { runSimpleQuery(SimpleQuery::VfoB); }
    void RX_VFO_Click() { runSimpleQuery(SimpleQuery::RxVfo); }
    void Mode_get_Click() { runSimpleQuery(SimpleQuery::Mode); }
    void filter_get_Click() { runSimpleQuery(SimpleQuery::Filter); }
    void S_Meter_get_Click() { runSimpleQuery(SimpleQuery::SMeter); }
    void AGC_get_Click() { runSimpleQuery(SimpleQuery::Agc); }
    void Keyer_get_Click() { runSimpleQuery(SimpleQuery::Keyer); }
    void Power_get_Click() { runSimpleQuery(SimpleQuery::Power); }
    void PreAmp_get_Click() { runSimpleQuery(SimpleQuery::PreAmp); }
    void NB_get_Click() { runSimpleQuery(SimpleQuery::NoiseBlanker); }
    void Attn_get_Click() { runSimpleQuery(SimpleQuery::Attenuator); }
    void RIT_get_Click();
    void Radio_init_Click();
    void send_cmd_Click();
    void exit_pgm_Click();
    void greeting_Click();
    // The tuning options of the Options menu: applied to the announcer, then told on through
    // optionChosen so that they are kept.
    void settle_Click();
    void shortReadouts_Click();
    void ticks_Click();
    // An entry of "Readings Announced": whether the radio's own reports of it are said.
    void announce_Click(QAction *entry, const AnnouncedReading &reading);
    // An entry of "Band Edges": the region whose band edges are announced, 0 for none.
    void region_Click(int region);
    void LockKeyMode_Click();

    // Ctrl+R and Ctrl+H, beside the menus rather than in them: the newest announcement said
    // again without asking the radio, and the window of recent announcements (nothing until
    // the log is set).
    void setAnnouncementLog(AnnouncementLog *log) { m_log = log; }
    void repeatAnnouncement();
    void showHistory();
    // Ctrl+T: the S-meter tone on or off.
    void toggleTone();
    HistoryWindow *historyWindow() const { return m_history.get(); }

    // The port entries Setcomm1 to Setcomm10 only announce the choice; the shell decides what
    // choosing a port does.
    void Setcomm_Click(int port) { emit portEntryChosen(port); }

    // The radio menu and its keys: each forwards to the operator's settings.
    void stepUp();
    void stepDown();
    void largerStep();
    void smallerStep();
    void enterFrequency();
    void enterPower();
    void enterKeyerSpeed();
    void enterBandwidth();
    void chooseMode(int digit);
    void otherVfo();
    void undoSetting();
    void readEverything();
    // Escape: an open entry is cancelled, otherwise what is being said stops, and the tone.
    void stopSpeaking();
    ValueEntry *valueEntry() const { return m_entry; }

    // What the start-up and port selection of the shell set and read.
    void hideDebugControls();
    void setGreetingChecked(bool checked);
    bool greetingChecked() const;
    void ClearPortChecks();
    void setPortChecked(int port, bool checked); // ports 1 to 10; others are ignored
    bool portChecked(int port) const;
    bool manualChecked() const;
    bool semiChecked() const;
    bool fullChecked() const;
    bool lockKeyModeChecked() const;

signals:
    void portEntryChosen(int port);
    // An option kept in vexalo.conf, named as on the command line, was set from the menu.
    void optionChosen(const QString &name);
    // When the window is closed by any means, before it goes away.
    void unloading();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildClientArea();
    void buildDebugArea(QWidget *client);
    void buildMenus();
    void buildRadioMenu();
    // The marks of the radio menu, from what the radio last said.
    void markRadioMenu();
    // An Options check item chosen: its mark flips, the new state is applied and said, and it
    // is told on through optionChosen so that it is kept.
    void toggleOption(QAction *entry, const QString &name, const std::function<void(bool)> &apply);
    void addWindowKey(const char *name, Qt::Key key, void (Q7Status::*handler)());
    void runSimpleQuery(SimpleQuery query);
    void drawReportMode(ReportMode mode);
    void connectMenuEntry(QAction *entry, std::function<void()> handler);

    Settings &m_settings;
    const Interpreter &m_interpreter;
    Announcer &m_announcer;
    Link &m_link;
    RadioHandshake &m_handshake;
    OperatorSettings &m_operator;
    BandEdges &m_bandEdges;

    QPushButton *m_getInfo = nullptr;
    QPushButton *m_sendCmd = nullptr;
    QPlainTextEdit *m_debugSend = nullptr;
    QPlainTextEdit *m_text1 = nullptr;
    QLabel *m_label4 = nullptr;
    QLabel *m_label10 = nullptr;
    QCheckBox *m_lockKeyMode = nullptr;
    std::array<QAction *, kPortCount> m_ports {};
    QAction *m_greeting = nullptr;
    QAction *m_settle = nullptr;
    QAction *m_shortReadouts = nullptr;
    QAction *m_ticks = nullptr;
    QAction *m_manual = nullptr;
    QAction *m_semi = nullptr;
    QAction *m_full = nullptr;
    std::array<QAction *, 4> m_regions {}; // Off, then regions 1 to 3
    ValueEntry *m_entry = nullptr;
    struct RadioMarks;
    std::unique_ptr<RadioMarks> m_radioMarks;
    AnnouncementLog *m_log = nullptr;
    std::unique_ptr<HistoryWindow> m_history;
    std::unique_ptr<KeysWhileSpeaking> m_keysWhileSpeaking;
};

} // namespace vexalo
