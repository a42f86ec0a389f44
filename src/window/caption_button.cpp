#include "caption_button.h"

#include <QPointer>
#include <QShortcutEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTimer>

namespace vexalo {

namespace {

// About as long as the toolkit's own animated press, so the key press looks the same.
constexpr int kPressShownMs = 100;

} // namespace

QString spokenCaption(const QString &caption)
{
    QString spoken;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
        }
        spoken += caption[i];
    }
    return spoken;
}

bool CaptionButton::event(QEvent *event)
{
    // An ambiguous mnemonic only moves the focus, as the toolkit does it.
    if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent *>(event)->isAmbiguous()
        || !isEnabled()) {
        return QPushButton::event(event);
    }
    // Every press is a click, however soon after the last: two presses queued while a clip
    // played must be two queries, as two mouse clicks are.
    const QPointer<CaptionButton> self(this);
    click();
    if (self) {
        setDown(true);
        QTimer::singleShot(kPressShownMs, this, [this, press = ++m_presses] {
            if (press == m_presses) {
                setDown(false);
            }
        });
    }
    return true;
}

void CaptionButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this)) {
        flags |= Qt::TextHideMnemonic;
    }
    // The whole face rather than the style's content margins: two lines of the small caption
    // need every pixel of the button's height.
    const int side = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this) / 2;
    painter.drawItemText(rect().adjusted(side, 0, -side, 0), flags, option.palette, isEnabled(),
                         caption, QPalette::ButtonText);
}

} // namespace vexalo
