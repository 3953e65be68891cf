// SPDX-License-Identifier: GPL-3.0-or-later
#include "DriverList.h"

#include "CaptureDevice.h"
#include "LogCategories.h"
#include "MessageBoxes.h"
#include "Texts.h"

#include <QComboBox>
#include <QDateTime>
#include <QSignalBlocker>

#include <utility>

DriverList::DriverList(QComboBox& list, CaptureDevice& capture, MessageBoxes& messages,
                       QWidget* messageParent, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_capture(capture)
    , m_messages(messages)
    , m_messageParent(messageParent)
{
    connect(&m_list, &QComboBox::currentIndexChanged, this, &DriverList::SelectDriver);
    connect(&m_capture, &CaptureDevice::startFailed, this, &DriverList::onStartFailed);
    connect(&m_capture, &CaptureDevice::failed, this, &DriverList::onTrouble);
    connect(&m_capture, &CaptureDevice::stalled, this, [this](const QDateTime& since) {
        onTrouble(texts::cameraNoPictureSince.arg(since.toString(QStringLiteral("HH:mm:ss"))));
    });
    connect(&m_capture, &CaptureDevice::resumed, this, [this] {
        m_troubled = false;
        emit status(texts::cameraPictureBack);
    });
    connect(&m_capture, &CaptureDevice::devicesChanged, this, &DriverList::onDevicesChanged);
    connect(&m_capture, &CaptureDevice::report, this, &DriverList::status);
}

void DriverList::addEntries()
{
    const int count = m_capture.driverCount();
    for (int i = 0; i < count; ++i)
        m_list.addItem(m_capture.driverName(i));
    if (count <= 0)
        m_list.addItem(texts::noVideo);
    m_list.setCurrentIndex(-1);
}

void DriverList::RefreshDriverList(bool running)
{
    const int current = m_capture.driverIndex();
    {
        const QSignalBlocker blocker(m_list);
        m_list.clear();
        addEntries();
        if (running && m_capture.driverCount() > 0)
            m_list.setCurrentIndex(current);
    }
    m_previous = -1;
    if (!running && m_capture.driverCount() > 0)
        m_list.setCurrentIndex(current);
}

void DriverList::FillDriverList()
{
    const int count = m_capture.driverCount();
    {
        // A combo box selects its first entry by itself; the selection that
        // counts is made below, where it connects the driver.
        const QSignalBlocker blocker(m_list);
        addEntries();
    }

    if (count > 0) {
        const int current = m_capture.driverIndex();
        // An index that names no entry leaves the list without a selection.
        if (current >= 0 && current < m_list.count())
            m_list.setCurrentIndex(current);
        return;
    }
    m_list.setCurrentIndex(0);
    m_messages.information(m_messageParent, texts::appTitle, texts::noVideoDevice);
}

void DriverList::SelectDriver()
{
    const int previous = m_capture.driverIndex();
    const int chosen = m_list.currentIndex();
    m_troubled = false;
    m_reconnecting = false;
    if (chosen >= 0 && m_capture.setDriverIndex(chosen, nullptr)) {
        m_previous = previous;
        emit status(texts::deviceSelected);
        return;
    }
    fallBack(previous);
}

void DriverList::fallBack(int previous)
{
    m_capture.setDriverIndex(previous, nullptr);
    // Showing the previous entry again runs this selection once more for
    // it; the text that stays is the failure, shown last.
    if (previous >= 0 && previous < m_list.count())
        m_list.setCurrentIndex(previous);
    emit status(texts::couldNotConnect);
}

void DriverList::onStartFailed(const QString& reason)
{
    qCWarning(kivraCapture, "driver %d did not start: %s", m_capture.driverIndex(),
              qPrintable(reason));
    // A driver that was in use before takes over, as when the connection
    // fails at once; there is none to go back to at start-up, nor when the
    // camera just came back.
    if (m_reconnecting || m_previous < 0 || m_previous == m_capture.driverIndex()) {
        m_troubled = true;
        emit status(texts::couldNotConnect);
        return;
    }
    fallBack(std::exchange(m_previous, -1));
}

void DriverList::onTrouble(const QString& text)
{
    m_troubled = true;
    emit status(text);
}

void DriverList::onDevicesChanged()
{
    if (!m_troubled)
        return;
    const int current = m_capture.driverIndex();
    QString error;
    if (!m_capture.setDriverIndex(current, &error)) {
        qCInfo(kivraCapture, "driver %d not back yet: %s", current, qPrintable(error));
        return;
    }
    m_troubled = false;
    m_reconnecting = true;
    emit status(texts::cameraReconnected);
}
