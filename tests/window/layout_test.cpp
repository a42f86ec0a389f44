// The window as the operator and a screen reader meet it: every control where the design puts
// it, captions and accelerators, menus and shortcuts, focus order, initial states, and a
// screenshot to look at.
#include "version.h"
#include "window_rig.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>

#include <memory>

namespace vexalo::testing {
namespace {

// The design table, in twips.
struct Control {
    const char *name;
    const char *kind;
    const char *caption;
    int left, top, width, height;
    double points; // 0: the window's font
};

const char kHelp[]
    = "ALT keys also select desired functions.        (Use underlined letters for each command.)";

const Control kControls[] = {
    { "send_cmd", "QPushButton", "SEND", 3960, 4500, 852, 252, 7.8 },
    { "Debug_send", "QPlainTextEdit", "", 1080, 4440, 2772, 672, 0 },
    { "Text1", "QPlainTextEdit", "", 4920, 4440, 4812, 732, 0 },
    { "Label4", "QLabel", "Test TX String", 1140, 4200, 1692, 192, 7.8 },
    { "Label10", "QLabel", "Debug RX Window", 4980, 4140, 1692, 252, 7.8 },
    { "GetInfo", "QPushButton", "&Info", 480, 180, 1152, 432, 12 },
    { "GetVFO_A", "QPushButton", "VFO &A", 480, 600, 1152, 432, 12 },
    { "GetVFO_B", "QPushButton", "VFO &B", 480, 1020, 1152, 432, 12 },
    { "RX_VFO", "QPushButton", "&RX VFO", 480, 1440, 1152, 432, 12 },
    { "Mode_get", "QPushButton", "&Mode", 480, 1860, 1152, 432, 12 },
    { "Label1", "QLabel", kHelp, 300, 3360, 3312, 432, 0 },
    { "RIT_get", "QPushButton", "RI&T/XIT", 480, 2280, 1152, 432, 12 },
    { "LockKeyMode", "QCheckBox", "Lock = Freq. Report", 4860, 3720, 1692, 252, 0 },
    { "Power_get", "QPushButton", "P&wr Set", 1860, 1440, 1152, 432, 12 },
    { "Keyer_get", "QPushButton", "&Keyer", 1860, 1020, 1152, 432, 12 },
    { "AGC_get", "QPushButton", "A&GC", 1860, 600, 1152, 432, 12 },
    { "S_Meter_get", "QPushButton", "&S-Meter", 1860, 180, 1152, 432, 12 },
    { "Attn_get", "QPushButton", "ATT&EN", 1860, 2700, 1152, 432, 12 },
    { "NB_get", "QPushButton", "&NB", 1860, 2280, 1152, 432, 12 },
    { "PreAmp_get", "QPushButton", "&PreAmp", 1860, 1860, 1152, 432, 12 },
    { "filter_get", "QPushButton", "&Filter", 480, 2700, 1152, 432, 12 },
    { "exit_pgm", "QPushButton", "E&xit", 3240, 2700, 1152, 432, 12 },
    { "Radio_init", "QPushButton", "Reinitiali&ze Q7", 3240, 180, 1272, 492, 9.6 },
};

// A pixel length is right when it is the nearest whole pixel to the twips at 15 a pixel.
bool nearTwips(int pixels, int twips)
{
    return qAbs(pixels * 15 - twips) <= 7;
}

QString shownText(QWidget *w)
{
    if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        return button->text();
    }
    if (auto *label = qobject_cast<QLabel *>(w)) {
        return label->text();
    }
    return qobject_cast<QPlainTextEdit *>(w)->toPlainText();
}

QString withoutAmpersand(QString caption)
{
    return caption.remove(u'&');
}

QColor colour(QWidget *w, QPalette::ColorRole role)
{
    return w->palette().color(role);
}

class LayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init() { rig = std::make_unique<WindowRig>(); }
    void cleanup() { rig.reset(); }

    void windowIsFixedWithItsClientArea()
    {
        Q7Status &w = rig->window;
        QCOMPARE(w.objectName(), QStringLiteral("Q7Status"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Vexalo V") + QLatin1String(kVersionLabel));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QWidget *client = w.centralWidget();
        QVERIFY(nearTwips(client->width(), 4944));
        QVERIFY(nearTwips(client->height(), 3900));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.size(), w.minimumSize());
        QVERIFY(w.menuBar()->isVisible());
        QVERIFY(client->y() >= w.menuBar()->geometry().bottom());
        QCOMPARE(w.height(), client->height() + client->y());
        QCOMPARE(colour(client, QPalette::Window), QColor(0, 0, 128));
        QVERIFY(client->autoFillBackground());
    }

    void everyControlAsDesigned()
    {
        QWidget *client = rig->window.centralWidget();
        for (const Control &c : kControls) {
            const QString name = QString::fromLatin1(c.name);
            auto *w = client->findChild<QWidget *>(name);
            QVERIFY2(w, c.name);
            QVERIFY2(w->inherits(c.kind), c.name);
            const QRect r = w->geometry();
            QVERIFY2(nearTwips(r.x(), c.left) && nearTwips(r.y(), c.top)
                         && nearTwips(r.width(), c.width) && nearTwips(r.height(), c.height),
                     c.name);
            QCOMPARE(shownText(w), QString::fromLatin1(c.caption));
            if (c.points > 0) {
                QVERIFY2(w->font().bold(), c.name);
                QCOMPARE(w->font().pointSizeF(), c.points);
                QCOMPARE(w->font().families().value(0), QStringLiteral("MS Sans Serif"));
            }
            QVERIFY2(!w->accessibleName().isEmpty(), c.name);
            if (c.caption[0] != '\0') {
                QCOMPARE(w->accessibleName(), withoutAmpersand(QString::fromLatin1(c.caption)));
            }
        }
    }

    void screenReaderMeetsTheControlsInDesignOrder()
    {
        QAccessibleInterface *client
            = QAccessible::queryAccessibleInterface(rig->window.centralWidget());
        QStringList met;
        for (int i = 0; i < client->childCount(); ++i) {
            met << client->child(i)->object()->objectName();
        }
        QStringList design;
        for (const Control &c : kControls) {
            design << QString::fromLatin1(c.name);
        }
        QCOMPARE(met, design);
    }

    void coloursOfTheLabelsAndDebugBoxes()
    {
        auto *help = rig->child<QLabel>("Label1");
        QCOMPARE(colour(help, QPalette::WindowText), QColor(Qt::white));
        QCOMPARE(colour(help, QPalette::Window), QColor(0, 0, 128));
        QVERIFY(help->wordWrap());
        QCOMPARE(colour(rig->child<QWidget>("Debug_send"), QPalette::Base), QColor(0, 128, 0));
        QCOMPARE(colour(rig->child<QWidget>("Text1"), QPalette::Base), QColor(0, 128, 0));
        QCOMPARE(colour(rig->child<QWidget>("Text1"), QPalette::Text), QColor(Qt::white));
        auto *label10 = rig->child<QLabel>("Label10");
        QCOMPARE(colour(label10, QPalette::Window), QColor(128, 128, 128));
        QVERIFY(label10->autoFillBackground());
    }

    void screenReaderHearsTheHelpLine()
    {
        rig->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig->window));
        QAccessibleInterface *help
            = QAccessible::queryAccessibleInterface(rig->child<QLabel>("Label1"));
        QVERIFY(help);
        QCOMPARE(help->text(QAccessible::Name), QString::fromLatin1(kHelp));
    }

    void menusWithTheirShortcuts()
    {
        struct Entry {
            const char *menu;
            const char *name;
            const char *caption;
            QKeySequence shortcut;
        };
        const Entry entries[] = {
            { "ComPort_set", "Setcomm1", "Comm1", QKeySequence(Qt::CTRL | Qt::Key_F1) },
            { "ComPort_set", "Setcomm2", "Comm2", QKeySequence(Qt::CTRL | Qt::Key_F2) },
            { "ComPort_set", "Setcomm3", "Comm3", QKeySequence(Qt::CTRL | Qt::Key_F3) },
            { "ComPort_set", "Setcomm4", "Comm4", QKeySequence(Qt::CTRL | Qt::Key_F4) },
            { "ComPort_set", "Setcomm5", "Comm5", QKeySequence(Qt::CTRL | Qt::Key_F5) },
            { "ComPort_set", "Setcomm6", "Comm6", QKeySequence(Qt::CTRL | Qt::Key_F6) },
            { "ComPort_set", "Setcomm7", "Comm7", QKeySequence(Qt::CTRL | Qt::Key_F7) },
            { "ComPort_set", "Setcomm8", "Comm8", QKeySequence(Qt::CTRL | Qt::Key_F8) },
            { "ComPort_set", "Setcomm9", "Comm9", QKeySequence(Qt::CTRL | Qt::Key_F9) },
            { "ComPort_set", "Setcomm10", "Comm10", QKeySequence(Qt::SHIFT | Qt::Key_F1) },
            { "Options", "greeting", "Greeting Enabled", QKeySequence(Qt::CTRL | Qt::Key_G) },
            { "Options", "Report_set", "Report Mode", QKeySequence() },
            { "Report_set", "Manual_report", "Manual", QKeySequence(Qt::CTRL | Qt::Key_M) },
            { "Report_set", "Semi_report", "Semi Auto", QKeySequence(Qt::CTRL | Qt::Key_S) },
            { "Report_set", "Full_report", "Full Auto", QKeySequence(Qt::CTRL | Qt::Key_F) },
            { "Options", "settle", "Speak when tuning stops", QKeySequence() },
            { "Options", "short_readouts", "Short readouts", QKeySequence() },
            { "Options", "ticks", "Tuning ticks", QKeySequence() },
            { "Options", "Announce_set", "Readings Announced", QKeySequence() },
            { "Options", "Region_set", "Band Edges", QKeySequence() },
        };
        const QList<QAction *> bar = rig->window.menuBar()->actions();
        QCOMPARE(bar.size(), 3);
        QCOMPARE(bar[0]->text(), QStringLiteral("&ComPort"));
        QCOMPARE(bar[1]->text(), QStringLiteral("&Options"));
        QCOMPARE(bar[2]->text(), QStringLiteral("Ra&dio"));
        QCOMPARE(bar[0]->menu()->objectName(), QStringLiteral("ComPort_set"));
        QCOMPARE(bar[1]->menu()->objectName(), QStringLiteral("Options"));

        QMap<QString, qsizetype> next; // position of the next entry in each menu
        for (const Entry &e : entries) {
            auto *menu = rig->child<QMenu>(QString::fromLatin1(e.menu));
            QVERIFY2(menu, e.menu);
            const qsizetype at = next[menu->objectName()]++;
            QAction *action = menu->actions().value(at);
            QVERIFY2(action, e.name);
            const QString name
                = action->menu() ? action->menu()->objectName() : action->objectName();
            QCOMPARE(name, QString::fromLatin1(e.name));
            QCOMPARE(action->text(), QString::fromLatin1(e.caption));
            QCOMPARE(action->shortcut(), e.shortcut);
            QCOMPARE(action->isCheckable(), !action->menu());
            QVERIFY2(!action->isChecked() && action->isEnabled() && action->isVisible(), e.name);
        }
        QCOMPARE(next.value("ComPort_set"), 10);
        QCOMPARE(next.value("Options"), 7);
        QCOMPARE(next.value("Report_set"), 3);
    }

    // The radio menu's keys, and every key of the window told apart from every other.
    void radioMenuKeysAreTheirOwn()
    {
        const std::pair<const char *, QKeySequence> keys[] = {
            { "mode_1", QKeySequence(Qt::CTRL | Qt::Key_1) },
            { "mode_2", QKeySequence(Qt::CTRL | Qt::Key_2) },
            { "mode_3", QKeySequence(Qt::CTRL | Qt::Key_3) },
            { "mode_7", QKeySequence(Qt::CTRL | Qt::Key_4) },
            { "mode_6", QKeySequence(Qt::CTRL | Qt::Key_5) },
            { "mode_9", QKeySequence(Qt::CTRL | Qt::Key_6) },
            { "other_vfo", QKeySequence(Qt::CTRL | Qt::Key_B) },
            { "split_set", QKeySequence(Qt::CTRL | Qt::Key_D) },
            { "preamp_set", QKeySequence(Qt::CTRL | Qt::Key_P) },
            { "attenuator_set", QKeySequence(Qt::CTRL | Qt::Key_A) },
            { "bandwidth_set", QKeySequence(Qt::CTRL | Qt::Key_L) },
            { "power_set", QKeySequence(Qt::CTRL | Qt::Key_W) },
            { "keyer_set", QKeySequence(Qt::CTRL | Qt::Key_K) },
            { "step_up", QKeySequence(Qt::CTRL | Qt::Key_Up) },
            { "step_down", QKeySequence(Qt::CTRL | Qt::Key_Down) },
            { "step_larger", QKeySequence(Qt::CTRL | Qt::Key_Right) },
            { "step_smaller", QKeySequence(Qt::CTRL | Qt::Key_Left) },
            { "frequency_set", QKeySequence(Qt::CTRL | Qt::Key_E) },
            { "read_everything", QKeySequence(Qt::CTRL | Qt::Key_I) },
            { "undo_setting", QKeySequence(Qt::CTRL | Qt::Key_Z) },
        };
        for (const auto &[name, key] : keys) {
            auto *action = rig->child<QAction>(QString::fromLatin1(name));
            QVERIFY2(action, name);
            QCOMPARE(action->shortcut(), key);
        }
        QSet<QKeySequence> seen;
        for (const QAction *action : rig->window.findChildren<QAction *>()) {
            if (!action->shortcut().isEmpty()) {
                QVERIFY2(!seen.contains(action->shortcut()),
                         qPrintable(action->shortcut().toString()));
                seen.insert(action->shortcut());
            }
        }
    }

    void startsWithNothingCheckedAndTheTimerOff()
    {
        Q7Status &w = rig->window;
        for (int port = 1; port <= 10; ++port) {
            QVERIFY(!w.portChecked(port));
        }
        QVERIFY(!w.greetingChecked() && !w.manualChecked() && !w.semiChecked() && !w.fullChecked()
                && !rig->link.fullAuto());
        QVERIFY(!w.lockKeyModeChecked());
        QVERIFY(!rig->link.lockPolling());
        QVERIFY(!(rig->child<QWidget>("LockKeyMode")->focusPolicy() & Qt::TabFocus));
    }

    void debugControlsHideInStartUpOrder()
    {
        const QStringList order { "Debug_send", "Text1", "send_cmd", "Label4", "Label10" };
        QStringList hidden;
        HideRecorder recorder(hidden);
        for (const QString &name : order) {
            QWidget *w = rig->child<QWidget>(name);
            QVERIFY2(w->isVisibleTo(&rig->window), qPrintable(name));
            w->installEventFilter(&recorder);
        }
        rig->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig->window));
        rig->window.hideDebugControls();
        QCOMPARE(hidden, order);
        for (const QString &name : order) {
            QVERIFY(rig->child<QWidget>(name)->isHidden());
        }
        QVERIFY(rig->child<QWidget>("LockKeyMode")->isVisible());
    }

    void tabVisitsTheButtonsInDesignOrder()
    {
        const QStringList order { "GetVFO_A",    "GetVFO_B",  "RX_VFO",     "Mode_get",
                                  "RIT_get",     "Power_get", "Keyer_get",  "AGC_get",
                                  "S_Meter_get", "Attn_get",  "NB_get",     "PreAmp_get",
                                  "filter_get",  "exit_pgm",  "Radio_init", "GetInfo" };
        QVERIFY(rig->showForKeys());
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("GetInfo"));
        QStringList visited;
        for (qsizetype i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, order);
    }

    void screenshot()
    {
        Q7Status &w = rig->window;
        QVERIFY(rig->showForKeys());
        const QImage shot = w.grab().toImage();
        QCOMPARE(shot.size() / shot.devicePixelRatio(), w.size());
        const QString path = QStringLiteral(VEXALO_BINARY_DIR "/window-screenshot.png");
        QVERIFY(shot.save(path));
        // The background shows between the buttons, below the menu bar.
        const QPoint corner = w.centralWidget()->mapTo(&w, QPoint(4, 4));
        QCOMPARE(QImage(path).pixelColor(corner * shot.devicePixelRatio()), QColor(0, 0, 128));
    }

private:
    class HideRecorder : public QObject {
    public:
        explicit HideRecorder(QStringList &hidden) : m_hidden(hidden) { }
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Hide) {
                m_hidden << watched->objectName();
            }
            return false;
        }

    private:
        QStringList &m_hidden;
    };

    std::unique_ptr<WindowRig> rig;
};

} // namespace

int runLayoutTests(int argc, char **argv)
{
    LayoutTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace vexalo::testing

#include "layout_test.moc"
