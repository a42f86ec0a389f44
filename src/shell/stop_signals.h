// Turns the operating system's polite requests to stop (SIGTERM, SIGINT, SIGHUP on Unix) into a
// Qt signal on the UI thread, so that the program shuts down the ordinary way and its settings
// are saved. The signal handler only writes a byte; everything else happens in the event loop.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace vexalo {

class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace vexalo
