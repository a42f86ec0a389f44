// Ctrl+H, beside the menus, opens the window of announcements, which follows new ones, copies
// a line and closes with Escape. (Ctrl+R is pressed in the real program, under Xvfb.)
#include "announcement_log.h"
#include "history_window.h"
#include "number_speech.h"
#include "window_rig.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QRegularExpression>

#include <memory>

namespace vexalo::testing {
namespace {

struct HistoryRig : WindowRig {
    HistoryRig()
    {
        announcer.setListener(&announcements);
        window.setAnnouncementLog(&announcements);
    }

    void readout(const char *field, const char *vfo)
    {
        Clips clips = sayNumber(field);
        clips.emplace_back(vfo);
        announcer.say(clips);
    }

    AnnouncementLog announcements { ClipWords::english() };
};

QStringList lines(const HistoryWindow &history)
{
    QStringList texts;
    for (int row = 0; row < history.lines().count(); ++row) {
        texts << history.lines().item(row)->text().mid(10);
    }
    return texts;
}

class HistoryTest : public QObject {
    Q_OBJECT

private slots:
    void ctrlHOpensTheHistoryWhichFollowsCopiesAndCloses()
    {
        auto rig = std::make_unique<HistoryRig>();
        QVERIFY(rig->showForKeys());
        rig->readout("0000704010", "b");
        rig->readout("0001402500", "a");
        QTest::keySequence(&rig->window, QKeySequence(Qt::CTRL | Qt::Key_H));
        HistoryWindow *history = rig->window.historyWindow();
        QVERIFY(history != nullptr);
        QVERIFY(QTest::qWaitForWindowActive(history));
        QCOMPARE(history->windowTitle(), QStringLiteral("Vexalo announcements"));
        QVERIFY(history->isWindow());
        QCOMPARE(lines(*history), QStringList({ "7040.10 B", "14025.00 A" }));
        const QListWidgetItem *newest = history->lines().item(1);
        QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d  14025\\.00 A$")
                    .match(newest->text())
                    .hasMatch());
        QCOMPARE(history->lines().currentItem(), newest);
        QCOMPARE(newest->data(Qt::AccessibleTextRole).toString(), newest->text());

        // Followed from the newest line.
        rig->readout("0001402600", "a");
        QCOMPARE(history->lines().currentRow(), 2);
        QTest::keySequence(&history->lines(), QKeySequence::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), history->lines().item(2)->text());

        // A reader further up stays there.
        history->lines().setCurrentRow(0);
        rig->readout("0000181250", "b");
        QCOMPARE(history->lines().currentRow(), 0);
        QCOMPARE(lines(*history).last(), QStringLiteral("1812.50 B"));

        QTest::keyClick(&history->lines(), Qt::Key_Escape);
        QVERIFY(!history->isVisible());
        QVERIFY(rig->showForKeys());
        QTest::keySequence(&rig->window, QKeySequence(Qt::CTRL | Qt::Key_H));
        QCOMPARE(rig->window.historyWindow(), history);
        QVERIFY(history->isVisible());
        QCOMPARE(history->lines().currentRow(), 3);
        QVERIFY(!rig->log.join(' ').contains("send"));
    }
};

} // namespace

int runHistoryTests(int argc, char **argv)
{
    HistoryTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace vexalo::testing

#include "history_test.moc"
