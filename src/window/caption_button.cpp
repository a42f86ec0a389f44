#include "caption_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace vexalo {

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
