// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "NetworkCamera.h"

#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QVideoFrame;
typedef struct _GstElement GstElement;
typedef struct _GstSample GstSample;

// A decoded frame as the decoder left it: a reference, no copy.
using HeldSample = std::shared_ptr<GstSample>;

// One run of a network camera's stream through GStreamer, ending in an
// appsink that keeps only the newest frame:
//   rtsp://    rtspsrc (TCP, small latency) ! decodebin (H.264, H.265, MJPEG)
//   http(s):// souphttpsrc is-live=true ! multipartdemux ! jpegdec
// then videoconvert only where the decoder gives none of I420, NV12, BGRx.
// The address and login are set as properties, never written into a
// pipeline description.
//
// Everything here may block (plugins load, an RTSP teardown waits for the
// server): it is made, started and destroyed on a thread of its own. The
// events come on GStreamer's streaming threads.
class GstCameraPipeline final
{
public:
    struct Events
    {
        // A decoded frame, held as it is, and its picture for the live
        // view: scaled down to the preview size, or the one copy of a frame
        // that fits it already.
        std::function<void(const HeldSample&, const QVideoFrame&)> frame;
        // The stream failed or ended; the reason never holds the login.
        std::function<void(const QString&)> fault;
    };

    // previewSize bounds the live view's frames; aspect ratio kept.
    GstCameraPipeline(NetworkCamera camera, QSize previewSize, Events events);
    // Stops the stream and frees it.
    ~GstCameraPipeline();
    GstCameraPipeline(const GstCameraPipeline&) = delete;
    GstCameraPipeline& operator=(const GstCameraPipeline&) = delete;

    // Builds and starts the pipeline; false with the reason when it cannot.
    bool play(QString* reason);

    // The elements' description, address and login left out.
    static QByteArray description(const NetworkCamera& camera);

    // The whole frame, copied once into memory of its own; invalid for a
    // layout the pipeline does not give.
    static QVideoFrame fullFrame(GstSample* sample);
    // The frame shrunk by nearest neighbour to fit within bound, in its own
    // layout; the whole frame where it fits already.
    static QVideoFrame previewFrame(GstSample* sample, QSize bound);

private:
    bool build(QString* reason);
    void configureSource(GstElement* source) const;
    void connectSink(GstElement* sink);

    NetworkCamera m_camera;
    QSize m_previewSize;
    Events m_events;
    GstElement* m_pipeline = nullptr;
};
