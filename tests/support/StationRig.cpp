// SPDX-License-Identifier: GPL-3.0-or-later
#include "StationRig.h"

#include "IntervalTimer.h"
#include "SqlitePresetFile.h"

#include <QLabel>

StationRig::StationRig()
    : StationRig(Parts{})
{}

StationRig::StationRig(Parts parts)
    : m_parts(std::move(parts))
{}

// The window goes first: it closes the port and aborts an upload through
// parts that must still be there.
StationRig::~StationRig()
{
    m_window.reset();
}

KivraWebcam& StationRig::window()
{
    if (!m_window) {
        StationComponents components{m_parts.settings ? *m_parts.settings : settings,
                                     m_parts.serial ? *m_parts.serial : serial,
                                     m_parts.capture ? *m_parts.capture : capture,
                                     messages,
                                     m_parts.programFolder,
                                     m_parts.codec ? *m_parts.codec : codec,
                                     m_parts.transfer ? *m_parts.transfer : transfer,
                                     sqlitePresetFile,
                                     m_parts.remoteSockets,
                                     m_parts.browser,
                                     &clock};
        m_window = std::make_unique<KivraWebcam>(components);
    }
    return *m_window;
}

void StationRig::load()
{
    window().Load();
}

void StationRig::start()
{
    load();
    restoreNow();
}

void StationRig::restoreNow()
{
    emit timer("Timer3")->timeout();
}

IntervalTimer* StationRig::timer(const char* objectName)
{
    return window().findChild<IntervalTimer*>(QLatin1String(objectName));
}

QString StationRig::status()
{
    return ui().lblStatus->text();
}

void StationRig::tick()
{
    emit timer("Timer1")->timeout();
}
