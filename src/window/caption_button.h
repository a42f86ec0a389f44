// A push button whose caption wraps onto further lines when it is wider than the button, the
// way the window's captions were laid out when it was designed ("Reinitiali&ze Q7" takes two
// lines). Its Alt key clicks at once, every time, rather than after the toolkit's animated
// press, which swallows a second press that comes while it runs; the press is still shown. Text,
// focus and accessibility stay those of QPushButton.
#pragma once

#include <QPushButton>

namespace vexalo {

// What a screen reader says for a caption: the text without its accelerator marks ("&" before
// the Alt letter, "&&" for an ampersand).
QString spokenCaption(const QString &caption);

class CaptionButton : public QPushButton {
    Q_OBJECT

public:
    using QPushButton::QPushButton;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    unsigned m_presses = 0; // the press shown is released only by the timer of the last one
};

} // namespace vexalo
