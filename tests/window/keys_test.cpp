// Every key the operator can use without a mouse: the Alt accelerators of the buttons and the
// menus, and the menu shortcuts, each raising its own handler at once and nothing else.
#include "window_rig.h"

#include <QApplication>

#include <memory>

namespace vexalo::testing {
namespace {

class KeysTest : public QObject {
    Q_OBJECT

private slots:
    void keyRaisesItsHandler_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QStringList>("effect");
        const auto alt = [](Qt::Key key) { return QKeySequence(Qt::ALT | key); };
        const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };
        const auto sent = [](const char *command) {
            return QStringList { QStringLiteral("send %1").arg(command) };
        };

        QTest::newRow("Alt+I Info") << alt(Qt::Key_I) << sent("IF;");
        QTest::newRow("Alt+A VFO A") << alt(Qt::Key_A) << sent("FA;");
        QTest::newRow("Alt+B VFO B") << alt(Qt::Key_B) << sent("FB;");
        QTest::newRow("Alt+R RX VFO") << alt(Qt::Key_R) << sent("FR;");
        QTest::newRow("Alt+M Mode") << alt(Qt::Key_M) << sent("MD;");
        QTest::newRow("Alt+T RIT/XIT")
            << alt(Qt::Key_T) << QStringList { "send if;", "clip rit", "clip xit", "clip off" };
        QTest::newRow("Alt+F Filter") << alt(Qt::Key_F) << sent("FW;");
        QTest::newRow("Alt+S S-Meter") << alt(Qt::Key_S) << sent("BG;");
        QTest::newRow("Alt+G AGC") << alt(Qt::Key_G) << sent("GT;");
        QTest::newRow("Alt+K Keyer") << alt(Qt::Key_K) << sent("KS;");
        QTest::newRow("Alt+W Pwr Set") << alt(Qt::Key_W) << sent("PC;");
        QTest::newRow("Alt+P PreAmp") << alt(Qt::Key_P) << sent("PA;");
        QTest::newRow("Alt+N NB") << alt(Qt::Key_N) << sent("NB;");
        QTest::newRow("Alt+E ATTEN") << alt(Qt::Key_E) << sent("RA;");
        // The port refuses to open, so the handshake ends at once, audibly.
        QTest::newRow("Alt+Z Reinitialize")
            << alt(Qt::Key_Z) << QStringList { "close", "open 1", "clip q7_error" };
        QTest::newRow("Alt+X Exit") << alt(Qt::Key_X) << QStringList { "unload" };
        QTest::newRow("Alt+C ComPort") << alt(Qt::Key_C) << QStringList { "menu ComPort_set" };
        QTest::newRow("Alt+O Options") << alt(Qt::Key_O) << QStringList { "menu Options" };

        for (int port = 1; port <= 9; ++port) {
            QTest::addRow("Ctrl+F%d Comm%d", port, port)
                << ctrl(Qt::Key(Qt::Key_F1 + port - 1))
                << QStringList { QString("port %1").arg(port) };
        }
        QTest::newRow("Shift+F1 Comm10")
            << QKeySequence(Qt::SHIFT | Qt::Key_F1) << QStringList { "port 10" };
        QTest::newRow("Ctrl+G Greeting")
            << ctrl(Qt::Key_G) << QStringList { "clip greeting", "clip on" };
        QTest::newRow("Ctrl+M Manual")
            << ctrl(Qt::Key_M) << QStringList { "clip manual", "send AI0;" };
        QTest::newRow("Ctrl+S Semi Auto")
            << ctrl(Qt::Key_S) << QStringList { "clip semi_auto", "send AI2;" };
        QTest::newRow("Ctrl+F Full Auto")
            << ctrl(Qt::Key_F) << QStringList { "clip full_auto", "send AI2;" };
        QTest::newRow("Ctrl+T S-meter tone")
            << ctrl(Qt::Key_T) << QStringList { "clip tone", "clip on", "send BG;" };
    }

    void keyRaisesItsHandler()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QStringList, effect);
        auto rig = std::make_unique<WindowRig>();
        rig->port.failOpen = true;
        QVERIFY(rig->showForKeys());
        QTest::keySequence(&rig->window, keys);
        // Acted on with the key press itself, not after an animated click.
        QCOMPARE(rig->log, effect);
        if (QWidget *popup = QApplication::activePopupWidget()) {
            popup->close();
        }
    }

    // Presses queued behind a clip reach the window back to back; each is a press of its own.
    void everyAltPressIsAClick()
    {
        auto rig = std::make_unique<WindowRig>();
        QVERIFY(rig->showForKeys());
        QTest::keySequence(&rig->window, QKeySequence(Qt::ALT | Qt::Key_S));
        QTest::keySequence(&rig->window, QKeySequence(Qt::ALT | Qt::Key_S));
        QCOMPARE(rig->log, QStringList({ "send BG;", "send BG;" }));
    }
};

} // namespace

int runKeysTests(int argc, char **argv)
{
    KeysTest test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace vexalo::testing

#include "keys_test.moc"
