#include "DriverList.h"

#include "CaptureDevice.h"
#include "MessageBoxes.h"
#include "Texts.h"

#include <QComboBox>
#include <QSignalBlocker>

DriverList::DriverList(QComboBox& list, CaptureDevice& capture, MessageBoxes& messages,
                       QWidget* messageParent, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_capture(capture)
    , m_messages(messages)
    , m_messageParent(messageParent)
{
    connect(&m_list, &QComboBox::currentIndexChanged, this, &DriverList::SelectDriver);
}

void DriverList::FillDriverList()
{
    const int count = m_capture.driverCount();
    {
        // A combo box selects its first entry by itself; the selection that
        // counts is made below, where it connects the driver.
        const QSignalBlocker blocker(m_list);
        for (int i = 0; i < count; ++i)
            m_list.addItem(m_capture.driverName(i));
        if (count <= 0)
            m_list.addItem(texts::noVideo);
        m_list.setCurrentIndex(-1);
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
    if (chosen >= 0 && m_capture.setDriverIndex(chosen, nullptr)) {
        emit status(texts::deviceSelected);
        return;
    }

    m_capture.setDriverIndex(previous, nullptr);
    // Showing the previous entry again runs this selection once more for
    // it; the text that stays is the failure, shown last.
    if (previous >= 0 && previous < m_list.count())
        m_list.setCurrentIndex(previous);
    emit status(texts::couldNotConnect);
}
