// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebStationRemote.h"

#include "FramePublisher.h"
#include "MainWindowLayout.h"
#include "PointingPanel.h"
#include "PresetActions.h"
#include "PresetRecordSet.h"
#include "PresetValues.h"
#include "Texts.h"
#include "TouchPad.h"
#include "TouchPadControl.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

WebStationRemote::WebStationRemote(Parts parts, QObject* parent)
    : QObject(parent)
    , m_parts(std::move(parts))
{
    connect(&m_parts.publisher, &FramePublisher::status, this,
            [this](const QString& text) { m_lastUpload = text; });
}

RemoteState WebStationRemote::state() const
{
    RemoteState s;
    s.mode = mode();
    s.pan = m_parts.panel.pan();
    s.tilt = m_parts.panel.tilt();
    s.padEnabled = m_parts.ui.Picture1->isEnabled();
    s.presets = presetList();
    s.status = m_parts.ui.lblStatus->text();
    s.lastUpload = m_lastUpload;
    return s;
}

StationRemote::Outcome WebStationRemote::point(double x, double y)
{
    if (!m_parts.ui.Picture1->isEnabled())
        return Outcome::NotNow;
    // The pad's own arithmetic for a pointer at that place of its inner
    // area, then the click a tap is.
    m_parts.pad.MouseMove(float(1.0 + TouchPad::unitsWide * x),
                          float(1.0 + TouchPad::unitsHigh * y));
    m_parts.pad.Click();
    return Outcome::Done;
}

StationRemote::Outcome WebStationRemote::goToPreset(int number)
{
    if (number < 1 || number > m_parts.presets.RecordCount())
        return Outcome::NotFound;
    const QString why =
        presetactions::pointAtPreset(m_parts.presets, m_parts.panel, m_parts.mount, number - 1);
    if (why.isEmpty())
        return Outcome::Done;
    m_parts.panel.showStatus(why);
    return Outcome::NotNow;
}

StationRemote::Outcome WebStationRemote::addPreset()
{
    const int before = m_parts.presets.RecordCount();
    const QString why =
        presetactions::storeTrained(m_parts.presets, m_parts.panel.panText(),
                                    m_parts.panel.tiltText(), m_parts.panel.defaultDelayText());
    if (!why.isEmpty())
        m_parts.panel.showStatus(why);
    // A file that refused the record has said so on the status line.
    return m_parts.presets.RecordCount() > before ? Outcome::Done : Outcome::NotNow;
}

StationRemote::Outcome WebStationRemote::deletePreset(int number)
{
    if (number < 1 || number > m_parts.presets.RecordCount())
        return Outcome::NotFound;
    // The grid's own way to remove rows: open edits are written first.
    const int before = m_parts.presets.RecordCount();
    m_parts.presets.removeRecords({number - 1});
    return m_parts.presets.RecordCount() < before ? Outcome::Done : Outcome::NotNow;
}

StationRemote::Outcome WebStationRemote::editPreset(int number, const PresetEdit& edit,
                                                    QString* why)
{
    if (number < 1 || number > m_parts.presets.RecordCount())
        return Outcome::NotFound;
    const QStringList names = m_parts.presets.fieldNames();
    QHash<int, QVariant> changes;
    const std::pair<QString, const std::optional<QString>&> fields[] = {
        {QStringLiteral("Pan"), edit.pan},
        {QStringLiteral("Tilt"), edit.tilt},
        {QStringLiteral("Delay"), edit.delay},
        {texts::presetFileNameField, edit.name},
    };
    for (const auto& [field, value] : fields) {
        if (!value)
            continue;
        const int at = column(field);
        // The grid keeps what is typed without its outer blanks.
        const QString typed = value->trimmed();
        QString refused = at < 0 ? QStringLiteral("the preset file has no field %1").arg(field)
                                 : presetvalues::whyRefused(names[at], typed);
        if (!refused.isEmpty()) {
            *why = texts::presetNotChanged + refused;
            return Outcome::Refused;
        }
        changes.insert(at, typed);
    }
    // Written the grid's way, after what is open in the grid itself.
    return m_parts.presets.changeRecord(number - 1, changes) ? Outcome::Done : Outcome::NotNow;
}

StationRemote::Outcome WebStationRemote::setMode(const QString& mode)
{
    QRadioButton* option = mode == QLatin1String("manual")      ? m_parts.ui.optManual
                           : mode == QLatin1String("random")    ? m_parts.ui.optRandom
                           : mode == QLatin1String("sequenced") ? m_parts.ui.optsequence
                           : mode == QLatin1String("training")  ? m_parts.ui.optTrain
                                                                : nullptr;
    if (!option)
        return Outcome::NotFound;
    if (!option->isEnabled())
        return Outcome::NotNow;
    option->click();
    return option->isChecked() ? Outcome::Done : Outcome::NotNow;
}

StationRemote::Outcome WebStationRemote::sendFrame()
{
    QPushButton* button = m_parts.ui.cmdCaptureFrame;
    if (!button->isEnabled())
        return Outcome::NotNow;
    button->click();
    return Outcome::Done;
}

QImage WebStationRemote::picture() const
{
    return m_parts.picture ? m_parts.picture() : QImage();
}

QString WebStationRemote::mode() const
{
    if (m_parts.ui.optManual->isChecked())
        return QStringLiteral("manual");
    if (m_parts.ui.optRandom->isChecked())
        return QStringLiteral("random");
    if (m_parts.ui.optsequence->isChecked())
        return QStringLiteral("sequenced");
    if (m_parts.ui.optTrain->isChecked())
        return QStringLiteral("training");
    return QStringLiteral("none");
}

int WebStationRemote::column(const QString& name) const
{
    const QStringList names = m_parts.presets.fieldNames();
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QList<RemotePreset> WebStationRemote::presetList() const
{
    const int pan = column(QStringLiteral("Pan"));
    const int tilt = column(QStringLiteral("Tilt"));
    const int delay = column(QStringLiteral("Delay"));
    const int name = column(texts::presetFileNameField);
    const auto text = [this](int row, int col) {
        return col < 0 ? QString() : m_parts.presets.value(row, col).toString();
    };
    QList<RemotePreset> list;
    for (int row = 0; row < m_parts.presets.RecordCount(); ++row)
        list.append({row + 1, text(row, pan), text(row, tilt), text(row, delay), text(row, name)});
    return list;
}
