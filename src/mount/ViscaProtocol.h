// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MountProtocol.h"

#include <utility>

// Sony's VISCA: after every opening the address set and the interface
// clear (both broadcast), then one absolute pan-tilt move per pan and tilt,
// each waiting for the head's acknowledgement and completion. The station's
// acceleration becomes the speeds of the moves that follow.
class ViscaProtocol final : public MountProtocol
{
public:
    explicit ViscaProtocol(const MountSettings& settings);

    QByteArray nextFrame(MountCommands& waiting) override;
    bool awaitsAnswer() const override { return true; }
    QList<MountAnswer> read(const QByteArray& bytes) override;
    void reset() override;
    void answerMissing() override { m_inFlight = InFlight::Nothing; }

    static QByteArray addressSet();
    static QByteArray interfaceClear();
    // 8x 01 06 02 VV WW 0Y 0Y 0Y 0Y 0Z 0Z 0Z 0Z FF: pan and tilt in the
    // head's units, four bits to a byte, most significant first.
    static QByteArray absoluteMove(quint8 address, quint8 panSpeed, quint8 tiltSpeed, qint16 pan,
                                   qint16 tilt);
    // Pan speed 01 to 18 and tilt speed 01 to 14 for the station's
    // acceleration (1 faster, 2 normal, 3 slower).
    static std::pair<quint8, quint8> speeds(qint16 acceleration);

private:
    enum class InFlight
    {
        Nothing,
        AddressSet,
        InterfaceClear,
        Move,
    };
    qint16 units(double degrees) const;
    std::optional<MountAnswer> answer(const QByteArray& frame);
    std::optional<MountAnswer> broadcastAnswer(const QByteArray& frame);
    std::optional<MountAnswer> refusal(quint8 code);

    MountSettings m_settings;
    std::pair<quint8, quint8> m_speeds;
    int m_greetingSent = 0;
    InFlight m_inFlight = InFlight::Nothing;
    // The station's numbers of the last move taken.
    qint16 m_pan = (MountSettings::firstPan + MountSettings::lastPan) / 2;
    qint16 m_tilt = (MountSettings::firstTilt + MountSettings::lastTilt) / 2;
    QByteArray m_received;
};
