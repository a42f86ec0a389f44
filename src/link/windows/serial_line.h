// The serial line under the radio port on Windows, on Win32's communications functions: the
// part of Qt SerialPort's interface that SerialRadioPort uses (posix/serial_line.h is Qt
// SerialPort itself), so that the radio port is one file for every platform. Writes finish
// or fail within their bound before write() returns; arrivals are looked for every few
// milliseconds on the UI thread, since the line has no descriptor the event loop can watch.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QObject>
#include <QString>
#include <QTimer>

namespace vexalo {

class SerialLine : public QObject {
    Q_OBJECT

public:
    enum BaudRate { Baud4800 = 4800 };
    enum Parity { NoParity };
    enum DataBits { Data8 = 8 };
    enum StopBits { OneStop = 1 };
    enum FlowControl { NoFlowControl };
    enum Direction { Output = 2 };
    enum SerialPortError {
        NoError,
        OpenError,
        ResourceError,
        ReadError,
        WriteError,
        ConfigureError
    };

    SerialLine();
    ~SerialLine() override;

    void setPortName(const QString &name) { m_name = name; }
    QString portName() const { return m_name; }
    bool open(QIODevice::OpenMode mode);
    void close();
    bool isOpen() const { return m_handle != nullptr; }

    bool setBaudRate(BaudRate rate);
    bool setParity(Parity) { return updateState(); }
    bool setDataBits(DataBits) { return updateState(); }
    bool setStopBits(StopBits) { return updateState(); }
    bool setFlowControl(FlowControl) { return updateState(); }
    bool setRequestToSend(bool on);

    // Returns once the bytes are on their way or the line's write bound has passed.
    qint64 write(const char *data, qint64 size);
    bool flush() { return isOpen(); }
    qint64 bytesToWrite() const { return 0; }
    bool waitForBytesWritten(int) { return isOpen(); }
    bool clear(Direction direction);

    // Takes in what has arrived, without waiting; true when something did.
    bool waitForReadyRead(int msecs);
    QByteArray readAll();

    SerialPortError error() const { return m_error; }
    void clearError() { setError(NoError, {}); }
    QString errorString() const { return m_errorString; }

signals:
    void readyRead();
    void errorOccurred(SerialPortError error);

private:
    bool updateState();
    bool takeIn();
    void setError(SerialPortError error, const QString &what);

    void *m_handle = nullptr;
    QString m_name;
    int m_baud = Baud4800;
    QByteArray m_arrived;
    QTimer m_poll;
    SerialPortError m_error = NoError;
    QString m_errorString;
};

} // namespace vexalo
