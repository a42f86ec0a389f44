// The field in which the operator types a frequency (or a power, a keyer speed, a bandwidth):
// an edit field the screen reader names, whose typed characters are echoed in Vexalo's voice
// only when no screen reader runs (one that runs echoes them itself). Enter hands the text on,
// Escape cancels; the field hides itself either way and gives the focus back.
#pragma once

#include <QLineEdit>
#include <QPointer>

#include <functional>

namespace vexalo {

class Announcer;

class ValueEntry : public QLineEdit {
    Q_OBJECT

public:
    using Accept = std::function<void(const QString &)>;

    // PLACE is within the window's client area.
    ValueEntry(Announcer &announcer, QRect place, QWidget *parent);

    // Shows the field under this name, empty, with the focus; ACCEPT gets the text on Enter.
    void open(const QString &name, Accept accept);
    void cancel();

    // The clips that echo one typed character; none for what is no digit or decimal point.
    static std::vector<std::string> echoOf(QChar typed);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void close();

    Announcer &m_announcer;
    QRect m_place;
    Accept m_accept;
    QPointer<QWidget> m_returnFocus;
};

} // namespace vexalo
