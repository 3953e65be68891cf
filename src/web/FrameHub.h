// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

// The live view's frames for every viewer at once: the newest JPEG and its
// sequence number. A viewer asks for a frame after the one it has shown and
// waits until there is one, so a slow link only gets fewer frames, never a
// backlog. Pictures are offered by the user-interface thread and encoded
// here on a thread of the hub's own, the newest only, once for everyone.
class FrameHub final
{
public:
    using Clock = std::chrono::steady_clock;
    // A viewer that has not asked for this long no longer counts.
    static constexpr auto watchSpan = std::chrono::seconds(5);

    struct Frame
    {
        quint64 sequence = 0;
        QByteArray jpeg;
    };

    explicit FrameHub(int widest);
    ~FrameHub();
    FrameHub(const FrameHub&) = delete;
    FrameHub& operator=(const FrameHub&) = delete;

    // Server threads: the newest frame once its number is above `after`
    // (a number from before a restart counts as none), or none in time.
    std::optional<Frame> frameAfter(quint64 after, std::chrono::milliseconds limit);
    // Whether someone asked for frames lately.
    bool watched() const;
    // User-interface thread: a picture to encode, replacing one not yet
    // encoded.
    void offer(const QImage& picture);
    // Wakes every waiting viewer and ends the encoding thread.
    void shutdown();

private:
    void encodeLoop();
    QByteArray encode(const QImage& picture) const;

    const int m_widest;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    Frame m_newest;
    QImage m_pending;
    Clock::time_point m_lastAsked{};
    bool m_closed = false;
    std::thread m_encoder;
};
