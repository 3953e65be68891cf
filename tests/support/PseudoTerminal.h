// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

// A pseudo-terminal pair standing in for a serial line: the program opens
// slavePath() as its port, the test reads what arrives on the master side.
class PseudoTerminal final
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }

    // Reads until `count` bytes arrived or the limit passed.
    QByteArray read(qsizetype count, std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Whatever arrives within `wait`, for checking that nothing was sent.
    QByteArray drain(std::chrono::milliseconds wait = std::chrono::milliseconds(200));
    // What has arrived, without waiting.
    QByteArray readAvailable();
    // Sends bytes to the program's side, as a device that answers.
    bool write(const QByteArray& bytes);
    // The test's side, for watching it in an event loop.
    int masterHandle() const { return m_master; }
    // Closes both ends, as a device that is pulled out: the program's side
    // of the line gets an error on its next write.
    void hangUp();

    struct LineSettings
    {
        int baud = 0;
        int dataBits = 0;
        bool parity = false;
        bool twoStopBits = false;
    };
    // The line settings currently in force on the slave side.
    LineSettings lineSettings() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};
