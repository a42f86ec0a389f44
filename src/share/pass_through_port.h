// The pass-through serial port: a raw pseudo-terminal a program opens through a link in Vexalo's
// folder (cat1), watched for programs opening and closing it. Vexalo keeps the far end open, so
// the line survives their closes and reopens; hanging up makes it anew under the link. Raw mode
// is put back whenever a program opens it and before each write, so that no echo turns Vexalo's
// answers into commands. Linux only.
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
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

    // To the program; false when it does not take them all (it is not reading), and what it
    // did not take is lost.
    bool write(std::string_view bytes);
    // Reads what the program has written, without waiting for the event that says so: at most
    // kReadLimit bytes a call, as for each event, so that a program writing without end never
    // holds Vexalo in one call.
    static constexpr std::size_t kReadLimit = 512;
    void poll()
    {
        if (!m_hangingUp) {
            readProgram();
        }
    }
    // The program loses the line (reads fail, its writes go nowhere); a new line is put under
    // the link for the next one after kReopenPause.
    static constexpr std::chrono::milliseconds kReopenPause { 1000 };
    void hangUp();

signals:
    void received(const QByteArray &bytes);
    void programOpened();
    void programClosed();

private:
    // `ours`: the device a link must point to for it to be replaced; empty for any link.
    bool make(const QString &ours, QString &error);
    void close(); // the line, not the watch
    void keepRaw();
    void readProgram();
    void readWatch();

    QString m_link;
    QString m_device;
    int m_master = -1;
    int m_far = -1; // our own descriptor of the far end
    int m_watch = -1; // for the whole run
    int m_lineWatch = -1; // the watch on the current line
    int m_openers = 0;
    bool m_hangingUp = false;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_watched;
};

} // namespace vexalo
