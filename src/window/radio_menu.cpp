// The radio menu beside the two others, and the keys that change the radio: every handler hands
// the operator's wish to the operator's settings, which confirm it in the radio's own words.
#include "announcer.h"
#include "interpreter.h"
#include "menu_accessibility.h"
#include "operator_input.h"
#include "operator_settings.h"
#include "q7status.h"
#include "radio_marks.h"
#include "value_entry.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

namespace vexalo {

namespace {

using Knob = OperatorSettings::Knob;

struct ModeEntry {
    const char *caption;
    int digit;
};
// In the order of Ctrl+1 to Ctrl+6; the digits are the radio's.
constexpr std::array<ModeEntry, 6> kModes { {
    { "LSB", 1 },
    { "USB", 2 },
    { "CW", 3 },
    { "CW reverse", 7 },
    { "Data", 6 },
    { "Data reverse", 9 },
} };

// Where the entry opens: the empty third column of the button grid.
constexpr QRect kEntryPlace(216, 68, 96, 29);

QAction *addEntry(QMenu *menu, const char *name, const QString &caption, const QKeySequence &keys)
{
    QAction *entry = menu->addAction(caption);
    entry->setObjectName(QString::fromLatin1(name));
    entry->setShortcut(keys);
    return entry;
}

} // namespace

void Q7Status::buildRadioMenu()
{
    m_radioMarks = std::make_unique<RadioMarks>();
    // A child of the window, not of the client area, whose controls are the buttons of the
    // grid in their design order; placed over the grid's empty third column.
    m_entry = new ValueEntry(m_announcer, kEntryPlace, this);

    // Alt+D: the first letter of "Radio" and the others are taken by the buttons.
    QMenu *radio = menuBar()->addMenu(QStringLiteral("Ra&dio"));
    radio->setObjectName(QStringLiteral("Radio_set"));
    // The marks follow every reply, so that a screen reader reading the menu finds them current.
    connect(&m_operator, &OperatorSettings::radioSaid, this, &Q7Status::markRadioMenu);
    const auto checkable = [this](QMenu *menu, const char *name, const QString &caption,
                                  const QKeySequence &keys, auto handler) {
        QAction *entry = addEntry(menu, name, caption, keys);
        entry->setCheckable(true);
        connect(entry, &QAction::triggered, this, [entry, handler](bool checked) {
            // The mark is the radio's to set: it follows the confirmation, not the click.
            entry->setChecked(!checked);
            handler();
        });
        return entry;
    };

    QMenu *mode = radio->addMenu(QStringLiteral("Mode"));
    mode->setObjectName(QStringLiteral("Mode_set"));
    for (std::size_t i = 0; i < kModes.size(); ++i) {
        const int digit = kModes[i].digit;
        m_radioMarks->modes[i]
            = checkable(mode, "mode_entry", QString::fromLatin1(kModes[i].caption),
                        QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + int(i))),
                        [this, digit] { chooseMode(digit); });
        m_radioMarks->modes[i]->setObjectName(QStringLiteral("mode_%1").arg(digit));
    }
    MenuAccessibility::describeAsChoice(*mode);

    QMenu *vfo = radio->addMenu(QStringLiteral("Receive VFO"));
    vfo->setObjectName(QStringLiteral("RxVfo_set"));
    m_radioMarks->vfoA = checkable(vfo, "rx_vfo_a", QStringLiteral("A"), {},
                                   [this] { m_operator.set(Knob::RxVfo, 0); });
    m_radioMarks->vfoB = checkable(vfo, "rx_vfo_b", QStringLiteral("B"), {},
                                   [this] { m_operator.set(Knob::RxVfo, 1); });
    connect(
        addEntry(vfo, "other_vfo", QStringLiteral("Other VFO"), QKeySequence(Qt::CTRL | Qt::Key_B)),
        &QAction::triggered, this, &Q7Status::otherVfo);
    MenuAccessibility::describeAsChoice(*vfo);

    m_radioMarks->split = checkable(
        radio, "split_set", QStringLiteral("Split"), QKeySequence(Qt::CTRL | Qt::Key_D),
        [this] { m_operator.set(Knob::Split, m_interpreter.state().split_on ? 0 : 1); });

    QMenu *agc = radio->addMenu(QStringLiteral("AGC"));
    agc->setObjectName(QStringLiteral("Agc_set"));
    m_radioMarks->agcFast = checkable(agc, "agc_fast", QStringLiteral("Fast"), {},
                                      [this] { m_operator.set(Knob::Agc, 2); });
    m_radioMarks->agcSlow = checkable(agc, "agc_slow", QStringLiteral("Slow"), {},
                                      [this] { m_operator.set(Knob::Agc, 4); });
    MenuAccessibility::describeAsChoice(*agc);

    m_radioMarks->preamp = checkable(
        radio, "preamp_set", QStringLiteral("Preamp"), QKeySequence(Qt::CTRL | Qt::Key_P),
        [this] { m_operator.set(Knob::Preamp, m_interpreter.state().preamp_off ? 1 : 0); });
    m_radioMarks->attenuator = checkable(
        radio, "attenuator_set", QStringLiteral("Attenuator"), QKeySequence(Qt::CTRL | Qt::Key_A),
        [this] { m_operator.set(Knob::Attenuator, m_interpreter.state().att_on ? 0 : 1); });

    QMenu *blanker = radio->addMenu(QStringLiteral("Noise blanker"));
    blanker->setObjectName(QStringLiteral("Nb_set"));
    for (int setting = 0; setting < 3; ++setting) {
        m_radioMarks->blanker[setting] = checkable(
            blanker, "nb_entry", setting == 0 ? QStringLiteral("Off") : QString::number(setting),
            {}, [this, setting] { m_operator.set(Knob::NoiseBlanker, setting); });
        m_radioMarks->blanker[setting]->setObjectName(QStringLiteral("nb_%1").arg(setting));
    }
    MenuAccessibility::describeAsChoice(*blanker);
    markRadioMenu();

    connect(addEntry(radio, "bandwidth_set", QStringLiteral("Filter bandwidth"),
                     QKeySequence(Qt::CTRL | Qt::Key_L)),
            &QAction::triggered, this, &Q7Status::enterBandwidth);
    connect(
        addEntry(radio, "power_set", QStringLiteral("Power"), QKeySequence(Qt::CTRL | Qt::Key_W)),
        &QAction::triggered, this, &Q7Status::enterPower);
    connect(addEntry(radio, "keyer_set", QStringLiteral("Keyer speed"),
                     QKeySequence(Qt::CTRL | Qt::Key_K)),
            &QAction::triggered, this, &Q7Status::enterKeyerSpeed);

    QMenu *step = radio->addMenu(QStringLiteral("Step"));
    step->setObjectName(QStringLiteral("Step_set"));
    connect(addEntry(step, "step_up", QStringLiteral("Tune up one step"),
                     QKeySequence(Qt::CTRL | Qt::Key_Up)),
            &QAction::triggered, this, &Q7Status::stepUp);
    connect(addEntry(step, "step_down", QStringLiteral("Tune down one step"),
                     QKeySequence(Qt::CTRL | Qt::Key_Down)),
            &QAction::triggered, this, &Q7Status::stepDown);
    connect(addEntry(step, "step_larger", QStringLiteral("Larger step"),
                     QKeySequence(Qt::CTRL | Qt::Key_Right)),
            &QAction::triggered, this, &Q7Status::largerStep);
    connect(addEntry(step, "step_smaller", QStringLiteral("Smaller step"),
                     QKeySequence(Qt::CTRL | Qt::Key_Left)),
            &QAction::triggered, this, &Q7Status::smallerStep);

    connect(addEntry(radio, "frequency_set", QStringLiteral("Enter frequency"),
                     QKeySequence(Qt::CTRL | Qt::Key_E)),
            &QAction::triggered, this, &Q7Status::enterFrequency);
    connect(addEntry(radio, "read_everything", QStringLiteral("Read everything"),
                     QKeySequence(Qt::CTRL | Qt::Key_I)),
            &QAction::triggered, this, &Q7Status::readEverything);
    connect(
        addEntry(radio, "undo_setting", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z)),
        &QAction::triggered, this, &Q7Status::undoSetting);
}

void Q7Status::markRadioMenu()
{
    const RadioState &state = m_interpreter.state();
    const std::string &mode = state.last_mode;
    for (std::size_t i = 0; i < kModes.size(); ++i) {
        m_radioMarks->modes[i]->setChecked(mode == std::to_string(kModes[i].digit));
    }
    const bool known = state.rx_vfo.isSet();
    m_radioMarks->vfoA->setChecked(known && vfoNumber(state.rx_vfo) == 0);
    m_radioMarks->vfoB->setChecked(known && vfoNumber(state.rx_vfo) == 1);
    m_radioMarks->split->setChecked(state.split_on);
    m_radioMarks->agcFast->setChecked(state.last_agc.isSet() && state.last_agc == std::string("2"));
    m_radioMarks->agcSlow->setChecked(state.last_agc.isSet()
                                      && !(state.last_agc == std::string("2")));
    m_radioMarks->preamp->setChecked(state.preamp_off.isSet() && !state.preamp_off);
    m_radioMarks->attenuator->setChecked(state.att_on);
    for (int setting = 0; setting < 3; ++setting) {
        m_radioMarks->blanker[setting]->setChecked(state.last_nb == std::to_string(setting));
    }
}

void Q7Status::stepUp()
{
    m_operator.stepUp();
}

void Q7Status::stepDown()
{
    m_operator.stepDown();
}

void Q7Status::largerStep()
{
    m_operator.largerStep();
}

void Q7Status::smallerStep()
{
    m_operator.smallerStep();
}

void Q7Status::chooseMode(int digit)
{
    m_operator.set(Knob::Mode, digit);
}

void Q7Status::otherVfo()
{
    m_operator.swapReceivingVfo();
}

void Q7Status::undoSetting()
{
    m_operator.undo();
}

void Q7Status::readEverything()
{
    m_operator.readEverything();
}

void Q7Status::enterFrequency()
{
    m_entry->open(QStringLiteral("Frequency in kilohertz"), [this](const QString &text) {
        if (const auto hertz = operator_input::parseFrequencyEntry(text.toStdString())) {
            m_operator.tuneTo(*hertz);
        } else {
            m_announcer.say({ "invalid" });
        }
    });
}

void Q7Status::enterPower()
{
    m_entry->open(QStringLiteral("Power in watts"), [this](const QString &text) {
        m_operator.setFromEntry(Knob::Power,
                                operator_input::parseWholeEntry(text.toStdString(), 0, 99));
    });
}

void Q7Status::enterKeyerSpeed()
{
    m_entry->open(QStringLiteral("Keyer speed in words a minute"), [this](const QString &text) {
        m_operator.setFromEntry(Knob::Keyer,
                                operator_input::parseWholeEntry(text.toStdString(), 1, 99));
    });
}

void Q7Status::enterBandwidth()
{
    m_entry->open(QStringLiteral("Filter bandwidth in hertz"), [this](const QString &text) {
        m_operator.setFromEntry(Knob::Bandwidth,
                                operator_input::parseWholeEntry(text.toStdString(), 0, 9999));
    });
}

void Q7Status::keyPressEvent(QKeyEvent *event)
{
    // A key press that no button took, rather than a shortcut: an open menu, the entry and the
    // history window each take Escape for themselves first.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        stopSpeaking();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void Q7Status::stopSpeaking()
{
    if (m_entry->isVisible()) {
        m_entry->cancel();
        return;
    }
    m_operator.stopReading();
    m_link.meterTone().stop();
    m_announcer.silence();
}

} // namespace vexalo
