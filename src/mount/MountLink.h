#pragma once

#include <QObject>
#include <QString>

class SerialPort;
class SettingsStore;

// The write-only serial link to the pan/tilt mount. Every command is one
// letter, the value in decimal and a carriage return, written in one go.
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

    static QByteArray command(char letter, qint16 value);

signals:
    // A text for the operator's status line.
    void status(const QString& text);

private:
    void send(char letter, qint16 value);

    SerialPort& m_port;
    const SettingsStore& m_store;
    int m_portNumber = 0;
    // Moves arrive with every mouse movement; the operator hears once that
    // they go nowhere, not once per movement.
    bool m_toldNotConnected = false;
    bool m_toldWriteFailed = false;
};
