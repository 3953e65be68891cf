// SPDX-License-Identifier: GPL-3.0-or-later
#include "QtCaptureDevice.h"

#include "FrameConverter.h"
#include "LogCategories.h"
#include "Texts.h"

#include <QCameraFormat>
#include <QImage>
#include <QVideoFrameFormat>

#include <algorithm>

namespace {

const QList<CaptureFormat> testPatternFormats = {
    {QSize(640, 480), 15, 15},
    {QSize(320, 240), 15, 15},
};

CaptureFormat toCaptureFormat(const QCameraFormat& format)
{
    return {format.resolution(), format.minFrameRate(), format.maxFrameRate()};
}

} // namespace

QtCaptureDevice::QtCaptureDevice(bool withTestPattern, int startIndex, QObject* parent)
    : CaptureDevice(parent)
    , m_cameras(QMediaDevices::videoInputs())
    , m_withTestPattern(withTestPattern)
    , m_index(startIndex)
{
    if (m_index < 0 || m_index >= driverCount())
        m_index = 0;
    m_session.setVideoSink(&m_frames);
    connect(&m_frames, &QVideoSink::videoFrameChanged, this, &QtCaptureDevice::onFrame);
    connect(&m_pattern, &TestPatternSource::frameReady, this, &QtCaptureDevice::onFrame);
    connect(&m_network, &NetworkCameraSource::frameReady, this, &QtCaptureDevice::onFrame);
    connect(&m_network, &NetworkCameraSource::lost, this, &QtCaptureDevice::onNetworkLost);
    connect(&m_network, &NetworkCameraSource::back, this, &CaptureDevice::report);
    connect(&m_watch, &FrameWatch::stalled, this, &CaptureDevice::stalled);
    connect(&m_watch, &FrameWatch::resumed, this, &CaptureDevice::resumed);
    connect(&m_devices, &QMediaDevices::videoInputsChanged, this,
            &QtCaptureDevice::onInputsChanged);
}

QtCaptureDevice::~QtCaptureDevice()
{
    stopDriver();
}

int QtCaptureDevice::driverCount() const
{
    return int(m_cameras.size() + m_networkCameras.size()) + (m_withTestPattern ? 1 : 0);
}

QString QtCaptureDevice::driverName(int index) const
{
    if (index >= 0 && index < m_cameras.size())
        return m_cameras[index].description();
    if (const int camera = networkCamera(index); camera >= 0)
        return m_networkCameras[camera].name;
    if (isTestPattern(index))
        return texts::testPatternDriver;
    return {};
}

int QtCaptureDevice::driverIndex() const
{
    return m_index;
}

bool QtCaptureDevice::isTestPattern(int index) const
{
    return m_withTestPattern && index == m_cameras.size() + m_networkCameras.size();
}

int QtCaptureDevice::networkCamera(int index) const
{
    const qsizetype camera = index - m_cameras.size();
    return camera >= 0 && camera < m_networkCameras.size() ? int(camera) : -1;
}

// The number the driver in use gets in the new list; *keeps tells whether
// it can go on running.
int QtCaptureDevice::remapped(const QList<NetworkCamera>& cameras, bool* keeps) const
{
    *keeps = true;
    const int machine = int(m_cameras.size());
    if (isTestPattern(m_index))
        return machine + int(cameras.size());
    const int camera = networkCamera(m_index);
    if (camera < 0)
        return m_index;
    const NetworkCamera& running = m_networkCameras[camera];
    for (qsizetype i = 0; i < cameras.size(); ++i) {
        if (cameras[i].name == running.name) {
            *keeps = cameras[i] == running;
            return machine + int(i);
        }
    }
    *keeps = false;
    return 0;
}

bool QtCaptureDevice::setNetworkCameras(const QList<NetworkCamera>& cameras)
{
    bool keeps = true;
    const int index = remapped(cameras, &keeps);
    const bool wasNetwork = networkCamera(m_index) >= 0;
    if (wasNetwork && !keeps) {
        stopDriver();
        m_latest = {};
    }
    m_networkCameras = cameras;
    m_index = index < driverCount() ? index : 0;
    return m_connected;
}

void QtCaptureDevice::stopDriver()
{
    m_pattern.stop();
    m_network.stop();
    if (m_camera) {
        m_camera->stop();
        m_session.setCamera(nullptr);
        m_camera.reset();
    }
    m_connected = false;
    m_delivered = false;
    m_watch.stop();
}

bool QtCaptureDevice::setDriverIndex(int index, QString* error)
{
    if (index < 0 || index >= driverCount()) {
        if (error)
            *error = QStringLiteral("there is no capture driver number %1").arg(index);
        return false;
    }
    stopDriver();
    m_latest = {};
    if (isTestPattern(index)) {
        m_index = index;
        m_connected = true;
        m_watch.start();
        m_pattern.start();
        return true;
    }
    if (const int camera = networkCamera(index); camera >= 0) {
        // Faults come later and are retried; the choice itself stands.
        m_index = index;
        m_connected = true;
        m_watch.start();
        m_network.start(m_networkCameras[camera]);
        return true;
    }
    if (!isPresent(m_cameras[index])) {
        if (error)
            *error = texts::cameraGone;
        return false;
    }

    m_camera = std::make_unique<QCamera>(m_cameras[index]);
    QCamera* camera = m_camera.get();
    connect(
        camera, &QCamera::errorOccurred, this,
        [this, camera](QCamera::Error, const QString& reason) { onCameraError(camera, reason); });
    m_session.setCamera(camera);
    m_watch.start();
    m_camera->start();
    if (m_camera->error() != QCamera::NoError) {
        if (error)
            *error = m_camera->errorString();
        stopDriver();
        return false;
    }
    m_index = index;
    m_connected = true;
    return true;
}

QList<CaptureFormat> QtCaptureDevice::formats() const
{
    if (!m_connected)
        return {};
    if (isTestPattern(m_index))
        return testPatternFormats;
    QList<CaptureFormat> result;
    if (m_camera) {
        for (const QCameraFormat& f : m_camera->cameraDevice().videoFormats())
            result.append(toCaptureFormat(f));
    }
    return result;
}

CaptureFormat QtCaptureDevice::format() const
{
    if (!m_connected)
        return {};
    if (isTestPattern(m_index))
        return {m_pattern.resolution(), 15, 15};
    return m_camera ? toCaptureFormat(m_camera->cameraFormat()) : CaptureFormat{};
}

bool QtCaptureDevice::setFormat(const CaptureFormat& wanted)
{
    if (!m_connected)
        return false;
    if (isTestPattern(m_index)) {
        if (!testPatternFormats.contains(wanted))
            return false;
        m_pattern.setResolution(wanted.resolution);
        return true;
    }
    if (!m_camera)
        return false;
    for (const QCameraFormat& f : m_camera->cameraDevice().videoFormats()) {
        if (toCaptureFormat(f) == wanted) {
            m_camera->setCameraFormat(f);
            return true;
        }
    }
    return false;
}

void QtCaptureDevice::setPreviewSink(QVideoSink* sink)
{
    m_preview = sink;
}

void QtCaptureDevice::onFrame(const QVideoFrame& frame)
{
    m_latest = frame;
    m_delivered = true;
    m_watch.frameArrived();
    if (m_live && m_preview)
        m_preview->setVideoFrame(frame);
}

bool QtCaptureDevice::snapFrame()
{
    if (!m_latest.isValid() || !m_watch.isFresh())
        return false;
    // A network camera's live picture is a small one: the snap takes its
    // whole frame.
    m_snapped = m_network.isRunning() ? m_network.newestFrame() : m_latest;
    if (!m_snapped.isValid())
        return false;
    // The preview holds still on the grabbed frame until live preview is
    // switched on again.
    m_live = false;
    return true;
}

QVideoFrame QtCaptureDevice::newestFrame() const
{
    // Only a network camera's preview is scaled down; the others' preview
    // sink holds the whole frame.
    if (!m_network.isRunning())
        return {};
    return m_live ? m_network.newestFrame() : m_snapped;
}

QImage QtCaptureDevice::snappedFrame() const
{
    if (!m_snapped.isValid())
        return {};
    // A layout an image can read (the test pattern's BGRA, RGB cameras) is
    // lent as it lies.
    const QImage lent = FrameConverter::lent(m_snapped);
    if (!lent.isNull())
        return lent;
    return m_snapped.toImage();
}

void QtCaptureDevice::setLivePreview(bool on)
{
    m_live = on;
    if (on && m_preview && m_latest.isValid())
        m_preview->setVideoFrame(m_latest);
}

void QtCaptureDevice::onCameraError(QCamera* camera, const QString& reason)
{
    // The camera is in the middle of telling; it is let go once that is over.
    QMetaObject::invokeMethod(
        this,
        [this, camera, reason] {
            if (m_camera.get() == camera && m_connected)
                breakDown(reason);
        },
        Qt::QueuedConnection);
}

void QtCaptureDevice::breakDown(const QString& reason)
{
    const bool starting = !m_delivered;
    qCWarning(kivraCapture, "%s: %s", qPrintable(driverName(m_index)), qPrintable(reason));
    // The driver stays the chosen one, ready to be connected again.
    stopDriver();
    m_latest = {};
    if (starting)
        emit startFailed(reason);
    else
        emit failed(reason);
}

void QtCaptureDevice::onNetworkLost(const QString& text)
{
    // Its last picture is no longer news: a send now publishes nothing.
    m_latest = {};
    emit report(text);
}

bool QtCaptureDevice::isPresent(const QCameraDevice& camera) const
{
    const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
    return std::any_of(inputs.begin(), inputs.end(),
                       [&camera](const QCameraDevice& c) { return c.id() == camera.id(); });
}

void QtCaptureDevice::onInputsChanged()
{
    // The same camera plugged in again may come with a fresh description of
    // itself; it keeps its number in the list.
    const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
    for (QCameraDevice& known : m_cameras) {
        for (const QCameraDevice& now : inputs) {
            if (now.id() == known.id())
                known = now;
        }
    }
    qCInfo(kivraCapture, "cameras changed: %lld connected", qlonglong(inputs.size()));
    if (m_camera && m_connected && !isPresent(m_camera->cameraDevice()))
        breakDown(texts::cameraGone);
    emit devicesChanged();
}
