// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>

#include <chrono>

class PseudoTerminal;
class QSocketNotifier;

// A pan/tilt head at the far end of a pseudo-terminal, written from the
// published frame formats of Pelco-D, Pelco-P and VISCA (not from the
// station's encoders): it checks every frame's start, length and check,
// follows the absolute positions it is sent and, for VISCA, answers as a
// real camera does, or in one of the ways a real line goes wrong.
class SimulatedHead final : public QObject
{
    Q_OBJECT
public:
    enum class Protocol
    {
        PelcoD,
        PelcoP,
        Visca,
    };
    // How a VISCA head answers a move.
    enum class Answer
    {
        AckAndCompletion,
        // An error in place of the acknowledgement (its code: errorCode).
        Error,
        Nothing,
        // A two-wire adapter: the command itself comes back first.
        EchoFirst,
    };

    // unitsPerDegree: how a VISCA head counts its position.
    SimulatedHead(PseudoTerminal& line, Protocol protocol, int address,
                  double unitsPerDegree = 1.0);
    ~SimulatedHead() override;

    Answer answer = Answer::AckAndCompletion;
    quint8 errorCode = 0x41;
    // How long a VISCA move takes, between acknowledgement and completion.
    std::chrono::milliseconds moveTime{0};

    struct Position
    {
        double pan = 0;
        double tilt = 0;
        bool operator==(const Position&) const = default;
    };
    // Where the head went: one entry per tilt (Pelco, after its pan) or per
    // move (VISCA) it carried out.
    QList<Position> visited;
    // Every well-formed frame, with the milliseconds since the head started.
    QList<QByteArray> frames;
    QList<qint64> arrivals;
    // Pan and tilt speeds of the last Pelco stop or VISCA move.
    int panSpeed = -1;
    int tiltSpeed = -1;
    bool addressSet = false;
    bool interfaceCleared = false;
    // Everything that breaks the published format, in words.
    QStringList faults;

private:
    void onReadable();
    void parse();
    qsizetype takePelco(qsizetype length);
    void pelcoCommand(quint8 cmd1, quint8 cmd2, quint8 data1, quint8 data2);
    qsizetype takeVisca();
    void viscaCommand(const QByteArray& frame);
    void viscaMove(const QByteArray& frame);
    void reply(const QByteArray& bytes);

    PseudoTerminal& m_line;
    Protocol m_protocol;
    int m_address;
    double m_unitsPerDegree;
    QSocketNotifier* m_notifier;
    QByteArray m_buffer;
    QElapsedTimer m_clock;
    double m_pan = 0;
    bool m_busy = false;
};

// Whether two positions agree within a VISCA unit (1/14.4 degree).
bool sameAngles(const SimulatedHead::Position& a, const SimulatedHead::Position& b);
// The positions as "(pan, tilt) ...", for failure messages.
QString describe(const QList<SimulatedHead::Position>& positions);
