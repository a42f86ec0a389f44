#include "q7status.h"

#include "announcement_log.h"
#include "announcer.h"
#include "band_edges.h"
#include "caption_button.h"
#include "control_table.h"
#include "history_window.h"
#include "keys_while_speaking.h"
#include "link.h"
#include "menu_accessibility.h"
#include "radio_marks.h"
#include "value_entry.h"
#include "version.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vexalo {

using namespace window;

namespace {

const QColor kNavy(0, 0, 128);
const QColor kDebugGreen(0, 128, 0);
const QColor kDebugGrey(128, 128, 128);

QRect pixels(const TwipRect &r)
{
    return QRect(twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width),
                 twipsToPixels(r.height));
}

// The window was designed in MS Sans Serif; where it is missing, the fallbacks are sans-serif
// faces narrow enough that the captions and the help line still fit their places.
QFont designFont(double points, QFont::Weight weight)
{
    QFont font;
    font.setFamilies({ QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                       QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                       QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans") });
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(weight);
    font.setPointSizeF(points);
    return font;
}

QFont captionFont(double points)
{
    return designFont(points, QFont::Bold);
}

void setColours(QWidget *widget, const QColor &background, QPalette::ColorRole backgroundRole)
{
    QPalette palette = widget->palette();
    palette.setColor(backgroundRole, background);
    widget->setPalette(palette);
    widget->setAutoFillBackground(backgroundRole == QPalette::Window);
}

void setTextColour(QWidget *widget, const QColor &colour, QPalette::ColorRole role)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QPushButton *addButton(QWidget *parent, const char *name, const char *caption,
                       const TwipRect &place, double points)
{
    const QString text = QString::fromLatin1(caption);
    auto *button = new CaptionButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(pixels(place));
    button->setFont(captionFont(points));
    button->setAccessibleName(spokenCaption(text));
    return button;
}

QLabel *addLabel(QWidget *parent, const char *name, const QString &text, const TwipRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(pixels(place));
    label->setAccessibleName(text);
    return label;
}

QPlainTextEdit *addDebugBox(QWidget *parent, const char *name, const QString &spokenName,
                            const TwipRect &place)
{
    auto *box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(pixels(place));
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setTabChangesFocus(true);
    box->setAccessibleName(spokenName);
    setColours(box, kDebugGreen, QPalette::Base);
    return box;
}

} // namespace

Q7Status::Q7Status(WindowParts parts, QWidget *parent)
    : QMainWindow(parent), m_settings(parts.settings), m_interpreter(parts.interpreter),
      m_announcer(parts.announcer), m_link(parts.link), m_handshake(parts.handshake),
      m_operator(parts.operatorSettings), m_bandEdges(parts.bandEdges)
{
    setObjectName(QStringLiteral("Q7Status"));
    setWindowTitle(QStringLiteral("Vexalo V") + QString::fromLatin1(kVersionLabel));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    buildClientArea();
    buildMenus();
    buildRadioMenu();
    connect(&m_link.reportModes(), &ReportModes::changed, this, &Q7Status::drawReportMode);
    addWindowKey("repeat_announcement", Qt::Key_R, &Q7Status::repeatAnnouncement);
    addWindowKey("announcement_history", Qt::Key_H, &Q7Status::showHistory);
    addWindowKey("smeter_tone", Qt::Key_T, &Q7Status::toggleTone);
    m_keysWhileSpeaking = std::make_unique<KeysWhileSpeaking>(m_announcer, *this, *m_entry);
    // The client area has its own fixed size; the window is that plus the menu bar, no more.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    m_getInfo->setFocus();
}

Q7Status::~Q7Status() = default;

void Q7Status::buildClientArea()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client_area"));
    client->setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    setColours(client, kNavy, QPalette::Window);
    // The font of controls without one of their own; the menu bar keeps the system's.
    client->setFont(designFont(kWindowPoints, QFont::Normal));
    setCentralWidget(client);

    for (const SimpleQueryButton &query : kSimpleQueries) {
        const TwipRect place { kColumnLeft[query.column], kRowTop[query.row], kButtonWidth,
                               kButtonHeight };
        QPushButton *button = addButton(client, query.name, query.caption, place, kButtonPoints);
        connect(button, &QPushButton::clicked, this,
                [this, which = query.query] { runSimpleQuery(which); });
    }
    for (const CommandButton &command : kCommandButtons) {
        QPushButton *button
            = addButton(client, command.name, command.caption, command.place, command.points);
        connect(button, &QPushButton::clicked, this, command.handler);
    }
    m_getInfo = client->findChild<QPushButton *>(QStringLiteral("GetInfo"));
    m_sendCmd = client->findChild<QPushButton *>(QStringLiteral("send_cmd"));

    QLabel *help = addLabel(client, "Label1", QString::fromLatin1(kHelpLine), kLabel1Place);
    help->setWordWrap(true);
    help->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    help->setAccessibleDescription(QStringLiteral("Help"));
    setColours(help, kNavy, QPalette::Window);
    setTextColour(help, Qt::white, QPalette::WindowText);

    m_lockKeyMode = new QCheckBox(QStringLiteral("Lock = Freq. Report"), client);
    m_lockKeyMode->setObjectName(QStringLiteral("LockKeyMode"));
    m_lockKeyMode->setGeometry(pixels(kLockKeyModePlace));
    m_lockKeyMode->setAccessibleName(m_lockKeyMode->text());
    m_lockKeyMode->setFocusPolicy(Qt::ClickFocus);
    setColours(m_lockKeyMode, QGuiApplication::palette().color(QPalette::Button), QPalette::Window);
    connect(m_lockKeyMode, &QCheckBox::clicked, this, &Q7Status::LockKeyMode_Click);

    buildDebugArea(client);

    // Raising each in turn also puts the children, which accessibility lists in child order,
    // into design order; no two controls overlap, so nothing is drawn differently.
    QWidget *previous = nullptr;
    for (const char *name : kDesignOrder) {
        auto *next = client->findChild<QWidget *>(QString::fromLatin1(name));
        next->raise();
        if (previous != nullptr) {
            setTabOrder(previous, next);
        }
        previous = next;
    }
}

void Q7Status::buildDebugArea(QWidget *client)
{
    const QString txLabel = QStringLiteral("Test TX String");
    const QString rxLabel = QStringLiteral("Debug RX Window");

    m_debugSend = addDebugBox(client, "Debug_send", txLabel, kDebugSendPlace);
    m_text1 = addDebugBox(client, "Text1", rxLabel, kText1Place);
    setTextColour(m_text1, Qt::white, QPalette::Text);

    // Qt has no application-workspace colour role; Dark is what it paints workspaces with.
    m_label4 = addLabel(client, "Label4", txLabel, kLabel4Place);
    m_label4->setFont(captionFont(kDebugPoints));
    setColours(m_label4, QGuiApplication::palette().color(QPalette::Dark), QPalette::Window);

    m_label10 = addLabel(client, "Label10", rxLabel, kLabel10Place);
    m_label10->setFont(captionFont(kDebugPoints));
    setColours(m_label10, kDebugGrey, QPalette::Window);
    setTextColour(m_label10, QGuiApplication::palette().color(QPalette::WindowText),
                  QPalette::WindowText);
}

void Q7Status::buildMenus()
{
    QMenu *comPort = menuBar()->addMenu(QStringLiteral("&ComPort"));
    comPort->setObjectName(QStringLiteral("ComPort_set"));
    for (int port = 1; port <= kPortCount; ++port) {
        QAction *entry = comPort->addAction(QStringLiteral("Comm%1").arg(port));
        entry->setObjectName(QStringLiteral("Setcomm%1").arg(port));
        entry->setCheckable(true);
        // Ctrl+F10 was never used for the tenth port.
        entry->setShortcut(port < kPortCount
                               ? QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_F1 + port - 1))
                               : QKeySequence(Qt::SHIFT | Qt::Key_F1));
        connectMenuEntry(entry, [this, port] { Setcomm_Click(port); });
        m_ports[port - 1] = entry;
    }
    MenuAccessibility::describeAsChoice(*comPort);

    QMenu *options = menuBar()->addMenu(QStringLiteral("&Options"));
    options->setObjectName(QStringLiteral("Options"));
    m_greeting = options->addAction(QStringLiteral("Greeting Enabled"));
    m_greeting->setObjectName(QStringLiteral("greeting"));
    m_greeting->setCheckable(true);
    m_greeting->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connectMenuEntry(m_greeting, [this] { greeting_Click(); });

    QMenu *reportSet = options->addMenu(QStringLiteral("Report Mode"));
    reportSet->setObjectName(QStringLiteral("Report_set"));
    const auto addMode = [this, reportSet](const char *name, const char *caption, Qt::Key key,
                                           void (Q7Status::*handler)()) {
        QAction *entry = reportSet->addAction(QString::fromLatin1(caption));
        entry->setObjectName(QString::fromLatin1(name));
        entry->setCheckable(true);
        entry->setShortcut(QKeySequence(Qt::CTRL | key));
        connectMenuEntry(entry, [this, handler] { (this->*handler)(); });
        return entry;
    };
    m_manual = addMode("Manual_report", "Manual", Qt::Key_M, &Q7Status::Manual_report_Click);
    m_semi = addMode("Semi_report", "Semi Auto", Qt::Key_S, &Q7Status::Semi_report_Click);
    m_full = addMode("Full_report", "Full Auto", Qt::Key_F, &Q7Status::Full_report_Click);
    MenuAccessibility::describeAsChoice(*reportSet);

    // What the announcer does while the knob turns; no keys, which are all spoken for.
    m_settle = options->addAction(QStringLiteral("Speak when tuning stops"));
    m_settle->setObjectName(QStringLiteral("settle"));
    m_settle->setCheckable(true);
    m_settle->setChecked(m_announcer.settling());
    connectMenuEntry(m_settle, [this] { settle_Click(); });
    m_shortReadouts = options->addAction(QStringLiteral("Short readouts"));
    m_shortReadouts->setObjectName(QStringLiteral("short_readouts"));
    m_shortReadouts->setCheckable(true);
    m_shortReadouts->setChecked(m_announcer.shortReadouts());
    connectMenuEntry(m_shortReadouts, [this] { shortReadouts_Click(); });
    m_ticks = options->addAction(QStringLiteral("Tuning ticks"));
    m_ticks->setObjectName(QStringLiteral("ticks"));
    m_ticks->setCheckable(true);
    m_ticks->setChecked(m_announcer.ticks());
    connectMenuEntry(m_ticks, [this] { ticks_Click(); });

    QMenu *announced = options->addMenu(QStringLiteral("Readings Announced"));
    announced->setObjectName(QStringLiteral("Announce_set"));
    for (const AnnouncedReading &reading : kAnnouncedReadings) {
        QAction *entry = announced->addAction(
            QString::fromLatin1(reading.caption.data(), qsizetype(reading.caption.size())));
        entry->setObjectName(
            QStringLiteral("announce_")
            + QString::fromLatin1(reading.name.data(), qsizetype(reading.name.size())));
        entry->setCheckable(true);
        entry->setChecked(m_announcer.announced(reading));
        connectMenuEntry(entry, [this, entry, &reading] { announce_Click(entry, reading); });
    }

    QMenu *regions = options->addMenu(QStringLiteral("Band Edges"));
    regions->setObjectName(QStringLiteral("Region_set"));
    for (int region = 0; region <= kRegions; ++region) {
        QAction *entry = regions->addAction(region == 0 ? QStringLiteral("Off")
                                                        : QStringLiteral("Region %1").arg(region));
        entry->setObjectName(QStringLiteral("region_%1").arg(region));
        entry->setCheckable(true);
        entry->setChecked(m_bandEdges.region() == region);
        connectMenuEntry(entry, [this, region] { region_Click(region); });
        m_regions.at(static_cast<std::size_t>(region)) = entry;
    }
    MenuAccessibility::describeAsChoice(*regions);
}

void Q7Status::addWindowKey(const char *name, Qt::Key key, void (Q7Status::*handler)())
{
    auto *action = new QAction(this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(QKeySequence(Qt::CTRL | key));
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
}

void Q7Status::repeatAnnouncement()
{
    m_announcer.repeatLast();
}

void Q7Status::toggleTone()
{
    m_link.meterTone().toggle();
}

void Q7Status::showHistory()
{
    if (m_log == nullptr) {
        return;
    }
    if (!m_history) {
        m_history = std::make_unique<HistoryWindow>(*m_log, this);
    }
    m_history->present();
}

void Q7Status::connectMenuEntry(QAction *entry, std::function<void()> handler)
{
    // Qt flips a checkable entry before it reports the choice, but the handlers decide every
    // check mark themselves from the state the operator saw, so the flip is undone first.
    connect(entry, &QAction::triggered, this, [entry, handler = std::move(handler)](bool checked) {
        entry->setChecked(!checked);
        handler();
    });
}

void Q7Status::hideDebugControls()
{
    m_debugSend->hide();
    m_text1->hide();
    m_sendCmd->hide();
    m_label4->hide();
    m_label10->hide();
}

void Q7Status::setGreetingChecked(bool checked)
{
    m_greeting->setChecked(checked);
}

bool Q7Status::greetingChecked() const
{
    return m_greeting->isChecked();
}

void Q7Status::ClearPortChecks()
{
    for (QAction *entry : m_ports) {
        entry->setChecked(false);
    }
}

void Q7Status::setPortChecked(int port, bool checked)
{
    if (port >= 1 && port <= kPortCount) {
        m_ports[port - 1]->setChecked(checked);
    }
}

bool Q7Status::portChecked(int port) const
{
    return port >= 1 && port <= kPortCount && m_ports[port - 1]->isChecked();
}

bool Q7Status::manualChecked() const
{
    return m_manual->isChecked();
}

bool Q7Status::semiChecked() const
{
    return m_semi->isChecked();
}

bool Q7Status::fullChecked() const
{
    return m_full->isChecked();
}

bool Q7Status::lockKeyModeChecked() const
{
    return m_lockKeyMode->isChecked();
}

void Q7Status::closeEvent(QCloseEvent *event)
{
    // The shutdown sequence delivers events while it pauses, so a second close can arrive
    // while the first is still being handled; the shell runs its sequence only once.
    emit unloading();
    event->accept();
}

} // namespace vexalo
