// The pass-through serial port: a raw pseudo-terminal a program opens through a link in Vexalo's
// folder (cat1), watched for programs opening and closing it. Vexalo keeps the far end open, so
// the line survives their closes and reopens; hanging up makes it anew under the link. Linux only.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string_view>

class QSocketNotifier;

namespace vexalo {

class PassThroughPort : public QObject {
    Q_OBJECT

public:
    explicit PassThroughPort(QString linkPath);
    ~PassThroughPort() override;

    // Makes the pseudo-terminal and the link; an existing link is replaced (a stale one of an
    // earlier run), any other file is left alone. False, with the reason, when it cannot.
    bool open(QString &error);

    QString device() const { return m_device; }

    // To the program; what it does not read in time is lost.
    void write(std::string_view bytes);
    // Reads what the program has written, without waiting for the event that says so.
    void poll()
    {
        if (!m_hangingUp) {
            readProgram();
        }
    }
    // The program loses the line (reads fail, its writes go nowhere); a new line is put under
    // the link for the next one.
    void hangUp();

signals:
    void received(const QByteArray &bytes);
    void programOpened();
    void programClosed();

private:
    bool make(QString &error);
    void close();
    void readProgram();
    void readWatch();

    QString m_link;
    QString m_device;
    int m_master = -1;
    int m_far = -1; // our own descriptor of the far end
    int m_watch = -1;
    int m_openers = 0;
    bool m_hangingUp = false;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_watched;
};

} // namespace vexalo
