// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MountProtocol.h"
#include "MountSettings.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class SerialPort;
class SettingsStore;

// The serial link to the pan/tilt head. The station's pan, tilt and
// acceleration go out in the protocol the settings' section "Mount" names
// (the station's own text commands when it names none).
//
// The link looks after its line on its own: a port that is lost, or could
// not be opened, is tried again every few seconds; a mount that stops
// taking bytes is reported. Commands the line cannot take yet wait, one per
// kind: a newer pan replaces a pan not yet sent, likewise tilt and
// acceleration, so the mount is never fed stale positions. The same holds
// while a head that answers has a command in flight, and during the pause
// some heads need between two commands.
class MountLink final : public QObject
{
    Q_OBJECT
public:
    static constexpr int portCount = 4;

    // The store's section "Ports" maps COM1 to COM4 onto devices.
    MountLink(SerialPort& port, const SettingsStore& store, QObject* parent = nullptr);
    ~MountLink() override;

    // The device behind COM n: [Ports] "COMn", else the platform's n-th port.
    QString deviceFor(int portNumber) const;
    static QString defaultDevice(int portNumber);

    void SelectPort(int portNumber);
    void SendPan(qint16 pan);
    void SendTilt(qint16 tilt);
    void SendAcceleration(qint16 acceleration);
    void ClosePort();
    // Reads the section "Mount" again (choosing a port does too); a chosen
    // port is opened afresh with it.
    void applySettings();

    bool isOpen() const;
    int portNumber() const { return m_portNumber; }
    const MountSettings& settings() const { return m_settings; }
    // Commands held back because the line could not take them yet.
    int waitingCommands() const { return m_waiting.count(); }

    static QByteArray command(char letter, qint16 value);

signals:
    // A text for the operator's status line.
    void status(const QString& text);

private:
    enum class Line
    {
        NoneChosen,
        Open,
        // Not open (the opening failed, or the device went away); tried
        // again on every tick of m_reopen.
        Down,
    };

    void send(char letter, qint16 value);
    bool mayWrite() const;
    void writeWaiting(bool evenIfPending = false);
    void opened();
    void onReceived(const QByteArray& bytes);
    void onAnswerMissing();
    void commandOver();
    void tellProblem(const QString& text);
    void onLost(const QString& reason);
    void onDrained();
    void onStalled();
    void reopen();
    QString portName() const;

    SerialPort& m_port;
    const SettingsStore& m_store;
    MountSettings m_settings;
    std::unique_ptr<MountProtocol> m_protocol;
    int m_portNumber = 0;
    Line m_line = Line::NoneChosen;
    MountCommands m_waiting;
    QTimer m_reopen;
    QTimer m_stall;
    QTimer m_gap;
    QTimer m_answer;
    bool m_awaitingAnswer = false;
    // Moves arrive with every mouse movement; the operator hears once that
    // they go nowhere, not once per movement.
    bool m_toldNotConnected = false;
    bool m_toldNotReading = false;
    // The head's last complaint, told once until a command goes through.
    QString m_toldProblem;
    // Whether the last frame handed to the port carried a pan, until the
    // next command falls due.
    bool m_panWritten = false;
};
