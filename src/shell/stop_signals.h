// Turns the operating system's polite requests to stop (SIGTERM, SIGINT, SIGHUP on Unix; Ctrl+C
// and the console's close on Windows, in stop_signals_windows.cpp) into a Qt signal on the UI
// thread, so that the program shuts down the ordinary way and its settings are saved. The
// handler only notes the request and writes a byte; everything else happens in the event loop.
// Until the loop runs again (a clip plays, replies are being said), received() lets the
// program notice the request at the next clip boundary.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace vexalo {

class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

    // A stop signal has arrived, whether or not stopRequested has been delivered yet.
    bool received() const;

signals:
    void stopRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vexalo
