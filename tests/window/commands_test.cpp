// The operator's handlers against a scripted radio: what each one sends, in which order it
// speaks and sends, which flags it leaves behind, and what the check marks show afterwards.
#include "window_rig.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>

#include <memory>

namespace vexalo::testing {
namespace {

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { rig = std::make_unique<WindowRig>(); }
    void cleanup() { rig.reset(); }

    void simpleQuerySendsAndReturns()
    {
        const struct {
            const char *button;
            void (Q7Status::*handler)();
            const char *sent;
        } queries[] = {
            { "GetVFO_A", &Q7Status::GetVFO_A_Click, "FA;" },
            { "GetVFO_B", &Q7Status::GetVFO_B_Click, "FB;" },
            { "RX_VFO", &Q7Status::RX_VFO_Click, "FR;" },
            { "Mode_get", &Q7Status::Mode_get_Click, "MD;" },
            { "filter_get", &Q7Status::filter_get_Click, "FW;" },
            { "S_Meter_get", &Q7Status::S_Meter_get_Click, "BG;" },
            { "AGC_get", &Q7Status::AGC_get_Click, "GT;" },
            { "Keyer_get", &Q7Status::Keyer_get_Click, "KS;" },
            { "Power_get", &Q7Status::Power_get_Click, "PC;" },
            { "PreAmp_get", &Q7Status::PreAmp_get_Click, "PA;" },
            { "NB_get", &Q7Status::NB_get_Click, "NB;" },
            { "Attn_get", &Q7Status::Attn_get_Click, "RA;" },
        };
        for (const auto &q : queries) {
            const QStringList expected { QStringLiteral("send %1").arg(q.sent) };
            rig->child<QPushButton>(q.button)->click();
            QCOMPARE(rig->log, expected);
            rig->log.clear();
            rig->link.exchange().forgetAll();
            (rig->window.*q.handler)();
            QCOMPARE(rig->log, expected);
            QVERIFY2(rig->asking(), q.button); // no reply yet, and no waiting for one
            rig->log.clear();
        }
    }

    void simpleQueryOnAClosedPortIsHeard()
    {
        rig->port.opened = false;
        rig->window.GetVFO_A_Click();
        QCOMPARE(rig->log, QStringList({ "fail FA;", "clip q7_error" }));
        QVERIFY2(!rig->asking(), "nothing went out, so nothing is awaited");
    }

    void infoClearsItsFlagAfterTheWait_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<QStringList>("heard");
        // "split" is said only while the flag is up, so it proves the report came during Info.
        QTest::newRow("radio answers")
            << true << true
            << QStringList { "send IF;", "clip 14", "clip 0", "clip 2",     "clip 5",  "clip pt",
                             "clip 0",   "clip 0",  "clip a", "clip split", "clip usb" };
        QTest::newRow("radio silent") << false << true << QStringList { "send IF;" };
        QTest::newRow("port closed")
            << false << false << QStringList { "fail IF;", "clip q7_error" };
    }

    void infoClearsItsFlagAfterTheWait()
    {
        QFETCH(bool, answers);
        QFETCH(bool, portOpen);
        QFETCH(QStringList, heard);
        if (answers) {
            rig->port.answers["IF;"] = statusReport({ .split = '1' });
        }
        rig->port.opened = portOpen;
        rig->window.GetInfo_Click();
        QCOMPARE(rig->log, heard);
        QTRY_VERIFY_WITH_TIMEOUT(!rig->link.exchange().infoOutstanding(), 200);
    }

    void ritXitSpeaksWhatTheWaitLeft_data()
    {
        QTest::addColumn<QString>("reply"); // empty: the radio stays silent
        QTest::addColumn<bool>("lineUp");
        QTest::addColumn<QVariantList>("before"); // rit_state, xit_state, rit_offset; or unset
        QTest::addColumn<QStringList>("heard");
        const QStringList offset { "clip plus", "clip 1", "clip 5", "clip 0", "clip hz" };
        const auto report = [](char rit, char xit) {
            return QString::fromStdString(
                statusReport({ .offset = "+0150", .rit = rit, .xit = xit }));
        };
        const auto was = [](int rit, int xit, const char *offset) {
            return QVariantList { rit, xit, QString::fromLatin1(offset) };
        };
        const QStringList sent { "send if;" };
        // Where a report comes, the values before it differ from its own, so only a read after
        // the wait gives the expected words; what the report itself says is not heard.
        QTest::newRow("both off") << report('0', '0') << true << was(1, 1, "-0050")
                                  << sent + QStringList { "clip rit", "clip xit", "clip off" };
        QTest::newRow("rit on") << report('1', '0') << true << was(0, 1, "-0050")
                                << sent + QStringList { "clip rit" } + offset;
        QTest::newRow("xit on") << report('0', '1') << true << was(1, 0, "-0050")
                                << sent + QStringList { "clip xit" } + offset;
        QTest::newRow("both on") << report('1', '1') << true << was(0, 0, "-0050")
                                 << sent + QStringList { "clip rit", "clip xit" } + offset;
        // Only the report asked for is silent: a mode the radio reports meanwhile is heard.
        QTest::newRow("a report meanwhile is heard")
            << "MD2;" + report('1', '0') << true << was(0, 1, "-0050")
            << sent + QStringList { "clip usb", "clip rit" } + offset;
        QTest::newRow("neither 0 nor 1: offset only")
            << report('2', '0') << true << was(0, 0, "-0050") << sent + offset;
        QTest::newRow("silent radio: the last report")
            << QString() << true << was(1, 0, "+0150")
            << sent + QStringList { "clip rit" } + offset;
        QTest::newRow("silent radio, no report yet")
            << QString() << true << QVariantList()
            << sent + QStringList { "clip rit", "clip xit", "clip off" };
        // Nothing was asked, so the values left from before are no answer to speak.
        QTest::newRow("line down: the error, not stale values")
            << QString() << false << was(0, 1, "+0150")
            << QStringList { "fail if;", "clip q7_error" };
    }

    void ritXitSpeaksWhatTheWaitLeft()
    {
        QFETCH(QString, reply);
        QFETCH(bool, lineUp);
        QFETCH(QVariantList, before);
        QFETCH(QStringList, heard);
        if (!before.isEmpty()) {
            RadioState state;
            state.rit_state = before[0].toInt();
            state.xit_state = before[1].toInt();
            state.rit_offset = before[2].toString().toStdString();
            rig->interpreter = Interpreter(state);
        }
        if (!reply.isEmpty()) {
            rig->port.answers["if;"] = reply.toStdString();
        }
        rig->port.opened = lineUp;
        rig->child<QPushButton>("RIT_get")->click();
        QCOMPARE(rig->log, heard);
        QVERIFY(rig->announcer.speechOn());
    }

    void ritXitDuringMutedPrimingStaysMuted()
    {
        const auto priming = rig->announcer.mute();
        rig->port.answers["if;"] = statusReport({ .offset = "+0150", .rit = '1' });
        rig->window.RIT_get_Click();
        QCOMPARE(rig->log, QStringList({ "send if;" }));
        QVERIFY(!rig->announcer.speechOn());
    }

    void reportModeSetsOneMarkThenSpeaksThenSends_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("steps");
        struct Row {
            const char *entry;
            int mode;
            QStringList steps;
        };
        const Row rows[] = {
            { "Manual_report",
              0,
              { "check Manual_report", "uncheck Semi_report", "uncheck Full_report", "clip manual",
                "send AI0;" } },
            { "Semi_report",
              1,
              { "check Semi_report", "uncheck Manual_report", "uncheck Full_report",
                "clip semi_auto", "send AI2;" } },
            { "Full_report",
              3,
              { "check Full_report", "uncheck Manual_report", "uncheck Semi_report",
                "clip full_auto", "send AI2;" } },
        };
        for (const Row &row : rows) {
            QTest::addRow("%s by call", row.entry) << row.entry << false << row.mode << row.steps;
            QTest::addRow("%s from the menu", row.entry)
                << row.entry << true << row.mode << row.steps;
        }
    }

    void reportModeSetsOneMarkThenSpeaksThenSends()
    {
        QFETCH(QString, entry);
        QFETCH(bool, fromMenu);
        QFETCH(int, mode);
        QFETCH(QStringList, steps);
        const QStringList names { "Manual_report", "Semi_report", "Full_report" };
        // The other two start checked, so the order of clearing them shows.
        for (const QString &name : names) {
            auto *action = rig->child<QAction>(name);
            action->setChecked(name != entry);
            connect(action, &QAction::toggled, this,
                    [this, name](bool on) { rig->log << (on ? "check " : "uncheck ") + name; });
        }
        if (fromMenu) {
            rig->child<QAction>(entry)->trigger();
        } else {
            // As the handshake applies it: through the report mode's owner, not the window.
            rig->link.reportModes().apply(static_cast<ReportMode>(mode));
        }
        if (fromMenu) {
            // Qt flips a checkable entry before reporting it; the window flips it back, so the
            // handler starts from the marks the operator saw.
            steps.prepend("uncheck " + entry);
            steps.prepend("check " + entry);
        }
        QCOMPARE(rig->log, steps);
        QVERIFY(rig->settings.report_mode.equalsNumber(mode));
        QCOMPARE(rig->window.manualChecked(), mode == 0);
        QCOMPARE(rig->window.semiChecked(), mode == 1);
        QCOMPARE(rig->window.fullChecked(), mode == 3);
        QCOMPARE(rig->link.fullAuto(), mode == 3);
        QVERIFY(!rig->asking());
    }

    void choosingTheCheckedModeRepeatsIt()
    {
        rig->window.Manual_report_Click();
        rig->log.clear();
        rig->child<QAction>("Manual_report")->trigger();
        QCOMPARE(rig->log, QStringList({ "clip manual", "send AI0;" }));
        QVERIFY(rig->window.manualChecked());
    }

    void greetingToggles_data()
    {
        QTest::addColumn<bool>("startChecked");
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("from unchecked")
            << false << QStringList { "clip greeting", "clip on", "clip greeting", "clip off" };
        QTest::newRow("from checked")
            << true << QStringList { "clip greeting", "clip off", "clip greeting", "clip on" };
    }

    void greetingToggles()
    {
        QFETCH(bool, startChecked);
        QFETCH(QStringList, heard);
        rig->window.setGreetingChecked(startChecked);
        auto *entry = rig->child<QAction>("greeting");
        entry->trigger();
        QCOMPARE(rig->window.greetingChecked(), !startChecked);
        QVERIFY(rig->settings.greeting_on == SettingValue(!startChecked));
        entry->trigger();
        QCOMPARE(rig->window.greetingChecked(), startChecked);
        QVERIFY(rig->settings.greeting_on == SettingValue(startChecked));
        QCOMPARE(rig->log, heard);
    }

    // Each tuning entry switches the announcer, says which and asks for the choice to be kept.
    void tuningEntriesSwitchTheAnnouncer()
    {
        const struct {
            const char *entry;
            const char *option;
            bool (Announcer::*on)() const;
        } entries[] = { { "settle", "settle", &Announcer::settling },
                        { "short_readouts", "short-readouts", &Announcer::shortReadouts },
                        { "ticks", "ticks", &Announcer::ticks } };
        for (const auto &e : entries) {
            QSignalSpy kept(&rig->window, &Q7Status::optionChosen);
            auto *entry = rig->child<QAction>(e.entry);
            entry->trigger();
            QVERIFY2((rig->announcer.*e.on)() && entry->isChecked(), e.entry);
            entry->trigger();
            QVERIFY2(!(rig->announcer.*e.on)() && !entry->isChecked(), e.entry);
            QCOMPARE(rig->log, QStringList({ "clip on", "clip off" }));
            rig->log.clear();
            QCOMPARE(kept.size(), 2);
            QCOMPARE(kept.front().front().toString(), QString::fromLatin1(e.option));
        }
        const AnnouncedReading &mode = kAnnouncedReadings[1];
        QSignalSpy kept(&rig->window, &Q7Status::optionChosen);
        auto *entry = rig->child<QAction>("announce_mode");
        QVERIFY(entry->isChecked());
        entry->trigger();
        QVERIFY(!rig->announcer.announced(mode) && !entry->isChecked());
        QCOMPARE(rig->log, QStringList({ "clip off" }));
        QCOMPARE(kept.front().front().toString(), QStringLiteral("announce"));

        // The band edges: one region or none, marked as a choice, said and kept.
        rig->log.clear();
        QVERIFY(rig->child<QAction>("region_0")->isChecked());
        rig->child<QAction>("region_2")->trigger();
        rig->child<QAction>("region_0")->trigger();
        rig->child<QAction>("region_1")->trigger();
        QCOMPARE(rig->bandEdges.region(), 1);
        for (const char *name : { "region_0", "region_1", "region_2", "region_3" }) {
            QCOMPARE(rig->child<QAction>(name)->isChecked(), name == std::string_view("region_1"));
        }
        QCOMPARE(rig->log,
                 QStringList({ "clip region", "clip 2", "clip off", "clip region", "clip 1" }));
        QCOMPARE(kept.size(), 4);
        QCOMPARE(kept.back().front().toString(), QStringLiteral("region"));
    }

    void lockBoxRunsThePoll()
    {
        auto *lock = rig->child<QCheckBox>("LockKeyMode");
        lock->click();
        QVERIFY(rig->window.lockChecked());
        QVERIFY(rig->link.lockPolling());
        QCOMPARE(rig->log.value(0), QStringLiteral("clip on"));
        QTRY_COMPARE_WITH_TIMEOUT(rig->log.size(), 3, 3000);
        QCOMPARE(rig->log.mid(1), QStringList({ "send lk;", "send lk;" }));
        lock->click();
        QVERIFY(!rig->window.lockChecked());
        QVERIFY(!rig->link.lockPolling());
        QCOMPARE(rig->log.last(), QStringLiteral("clip off"));
    }

    void reinitializeRunsTheHandshake()
    {
        rig->settings.report_mode = 0;
        rig->port.answerLikeAQ7();
        rig->child<QPushButton>("Radio_init")->click();
        const std::vector<std::string> start { "id;", "q72;q7;", "ai0;", "pc;" };
        QVERIFY(rig->port.written.size() > start.size());
        QVERIFY(std::equal(start.begin(), start.end(), rig->port.written.begin()));
        QCOMPARE(rig->port.written.back(), std::string("AI0;"));
        QVERIFY(rig->window.manualChecked());
        QVERIFY(rig->log.contains("clip q7_present"));
        QVERIFY(!rig->log.contains("clip manual")); // re-applied while muted
        QVERIFY(rig->announcer.speechOn());
    }

    void portEntriesOnlyAnnounceTheChoice()
    {
        rig->window.setPortChecked(4, true);
        for (int port = 1; port <= 10; ++port) {
            rig->child<QAction>(QStringLiteral("Setcomm%1").arg(port))->trigger();
            QCOMPARE(rig->log.last(), QStringLiteral("port %1").arg(port));
            for (int other = 1; other <= 10; ++other) {
                QCOMPARE(rig->window.portChecked(other), other == 4);
            }
        }
        rig->window.setPortChecked(11, true);
        rig->window.setPortChecked(0, true);
        QVERIFY(!rig->window.portChecked(11) && !rig->window.portChecked(0));
        rig->window.ClearPortChecks();
        QVERIFY(!rig->window.portChecked(4));
    }

    void unloadingComesOnceHoweverTheWindowCloses_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Exit button") << 0;
        QTest::newRow("close box") << 1;
        QTest::newRow("Exit during the shutdown pause") << 2;
    }

    void unloadingComesOnceHoweverTheWindowCloses()
    {
        QFETCH(int, how);
        Q7Status &w = rig->window;
        QSignalSpy unloading(&w, &Q7Status::unloading);
        if (how == 2) {
            connect(&w, &Q7Status::unloading, this, [&w] { w.exit_pgm_Click(); });
        }
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (how == 1) {
            QVERIFY(w.close());
        } else {
            rig->child<QPushButton>("exit_pgm")->click();
        }
        QCOMPARE(unloading.count(), 1);
        QVERIFY(!w.isVisible());
    }

    void sendButtonDoesNothing()
    {
        rig->child<QPushButton>("send_cmd")->click();
        QVERIFY(rig->log.isEmpty());
        QVERIFY(!rig->asking());
    }

private:
    std::unique_ptr<WindowRig> rig;
};

} // namespace

int runCommandsTests(int argc, char **argv)
{
    CommandsTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace vexalo::testing

#include "commands_test.moc"
