#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <iterator>
#include <optional>

class SerialPort;
class SettingsStore;

// The write-only serial link to the pan/tilt mount. Every command is one
// letter, the value in decimal and a carriage return, written in one go.
//
// The link looks after its line on its own: a port that is lost, or could
// not be opened, is tried again every few seconds; a mount that stops
// taking bytes is reported. Commands the line cannot take yet wait, one per
// letter: a newer pan replaces a pan not yet sent, likewise tilt and
// acceleration, so the mount is never fed stale positions.
class MountLink final : public QObject
{
    Q_OBJECT
public:
    static constexpr int portCount = 4;
    static inline const QString lineSettings = QStringLiteral("9600,N,8,1");

    // The store's section "Ports" maps COM1 to COM4 onto devices.
    MountLink(SerialPort& port, const SettingsStore& store, QObject* parent = nullptr);

    // The device behind COM n: [Ports] "COMn", else the platform's n-th port.
    QString deviceFor(int portNumber) const;
    static QString defaultDevice(int portNumber);

    void SelectPort(int portNumber);
    void SendPan(qint16 pan);
    void SendTilt(qint16 tilt);
    void SendAcceleration(qint16 acceleration);
    void ClosePort();

    bool isOpen() const;
    int portNumber() const { return m_portNumber; }
    // Commands held back because the line could not take them yet.
    int waitingCommands() const;

    static QByteArray command(char letter, qint16 value);

signals:
    // A text for the operator's status line.
    void status(const QString& text);

private:
    // Held-back commands leave in this order: an acceleration before the
    // move it should shape, and every move pan first.
    static constexpr char sendingOrder[] = {'D', 'A', 'B'};
    enum class Line
    {
        NoneChosen,
        Open,
        // Not open (the opening failed, or the device went away); tried
        // again on every tick of m_reopen.
        Down,
    };

    void send(char letter, qint16 value);
    void writeWaiting(bool evenIfPending = false);
    void onLost(const QString& reason);
    void onDrained();
    void onStalled();
    void reopen();
    QString portName() const;

    SerialPort& m_port;
    const SettingsStore& m_store;
    int m_portNumber = 0;
    Line m_line = Line::NoneChosen;
    std::optional<qint16> m_waiting[std::size(sendingOrder)];
    QTimer m_reopen;
    QTimer m_stall;
    // Moves arrive with every mouse movement; the operator hears once that
    // they go nowhere, not once per movement.
    bool m_toldNotConnected = false;
    bool m_toldNotReading = false;
    // The letter of the last command handed to the port, until the next
    // command falls due.
    char m_lastWritten = 0;
};
