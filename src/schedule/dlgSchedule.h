// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DayNightSettings.h"

#include <QDate>
#include <QDialog>
#include <QFuture>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

// "Schedule...": the station's place and nights, the archive and the daily
// video, with the next change of day and night, and a button that makes
// the video of an archived day at once.
class dlgSchedule final : public QDialog
{
    Q_OBJECT
public:
    struct Choices
    {
        ScheduleSettings schedule;
        ArchiveSettings archive;
        TimelapseSettings timelapse;
    };

    // The archived days come when they are listed; until then no video
    // can be asked for.
    dlgSchedule(const Choices& current, const QString& nextChange, QFuture<QList<QDate>> days,
                std::function<void(QDate)> makeVideo, QWidget* parent = nullptr);

    // What the operator chose; a latitude or longitude that is no number
    // in range means no place.
    Choices choices() const;

private:
    QWidget* makeScheduleBox(const ScheduleSettings& s, const QString& nextChange);
    QWidget* makeArchiveBox(const ArchiveSettings& a, const TimelapseSettings& t);
    QWidget* makeVideoRow(QFuture<QList<QDate>> days);

    Choices m_current;
    std::function<void(QDate)> m_makeVideo;
    QLineEdit* m_latitude = nullptr;
    QLineEdit* m_longitude = nullptr;
    QComboBox* m_daylight = nullptr;
    QSpinBox* m_offset = nullptr;
    QComboBox* m_night = nullptr;
    QSpinBox* m_nightMinutes = nullptr;
    QCheckBox* m_archiveOn = nullptr;
    QLineEdit* m_folder = nullptr;
    QSpinBox* m_days = nullptr;
    QSpinBox* m_maxMB = nullptr;
    QCheckBox* m_timelapseOn = nullptr;
    QSpinBox* m_rate = nullptr;
    QCheckBox* m_upload = nullptr;
    QComboBox* m_videoDay = nullptr;
};
