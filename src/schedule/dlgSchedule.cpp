// SPDX-License-Identifier: GPL-3.0-or-later
#include "dlgSchedule.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

QSpinBox* spinBox(const char* name, int min, int max, int value, const QString& suffix = {})
{
    auto* box = new QSpinBox;
    box->setObjectName(QLatin1String(name));
    box->setRange(min, max);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

QLineEdit* degreesEdit(const char* name, std::optional<double> value)
{
    auto* edit = new QLineEdit(value ? QString::number(*value, 'f', 4) : QString());
    edit->setObjectName(QLatin1String(name));
    edit->setPlaceholderText(QObject::tr("none"));
    return edit;
}

std::optional<double> degrees(const QLineEdit* edit, double limit)
{
    bool ok = false;
    const double value = edit->text().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > limit)
        return std::nullopt;
    return value;
}

QCheckBox* checkBox(const char* name, const QString& text, bool checked)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(QLatin1String(name));
    box->setChecked(checked);
    return box;
}

} // namespace

dlgSchedule::dlgSchedule(const Choices& current, const QString& nextChange,
                         QFuture<QList<QDate>> days, std::function<void(QDate)> makeVideo,
                         QWidget* parent)
    : QDialog(parent)
    , m_current(current)
    , m_makeVideo(std::move(makeVideo))
{
    setObjectName(QStringLiteral("dlgSchedule"));
    setWindowTitle(tr("Schedule"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeScheduleBox(current.schedule, nextChange));
    auto* archive = makeArchiveBox(current.archive, current.timelapse);
    static_cast<QFormLayout*>(archive->layout())->addRow(tr("Video of:"), makeVideoRow(days));
    layout->addWidget(archive);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QWidget* dlgSchedule::makeScheduleBox(const ScheduleSettings& s, const QString& nextChange)
{
    auto* box = new QGroupBox(tr("Day and night"));
    auto* form = new QFormLayout(box);
    m_latitude = degreesEdit("Latitude", s.latitude);
    m_latitude->setToolTip(tr("Decimal degrees, north positive; empty: always day"));
    m_longitude = degreesEdit("Longitude", s.longitude);
    m_longitude->setToolTip(tr("Decimal degrees, east positive"));
    m_daylight = new QComboBox;
    m_daylight->setObjectName(QStringLiteral("Daylight"));
    m_daylight->addItems({tr("Sunrise to sunset"), tr("Civil twilight"), tr("Nautical twilight"),
                          tr("Astronomical twilight")});
    m_daylight->setCurrentIndex(int(s.daylight));
    m_offset = spinBox("OffsetMinutes", -180, 180, s.offsetMinutes, tr(" min"));
    m_offset->setToolTip(tr("Makes the day longer at both ends; negative: shorter"));
    m_night = new QComboBox;
    m_night->setObjectName(QStringLiteral("Night"));
    m_night->addItems(
        {tr("Continue as by day"), tr("Pause uploads and the tour"), tr("Upload less often")});
    m_night->setCurrentIndex(int(s.night));
    m_nightMinutes = spinBox("NightMinutes", 1, 24 * 60, s.nightMinutes, tr(" min"));
    auto* next = new QLabel(nextChange);
    next->setObjectName(QStringLiteral("lblNextChange"));
    form->addRow(tr("Latitude:"), m_latitude);
    form->addRow(tr("Longitude:"), m_longitude);
    form->addRow(tr("Day lasts:"), m_daylight);
    form->addRow(tr("Longer by:"), m_offset);
    form->addRow(tr("At night:"), m_night);
    form->addRow(tr("Night uploads every:"), m_nightMinutes);
    form->addRow(next);
    return box;
}

QWidget* dlgSchedule::makeArchiveBox(const ArchiveSettings& a, const TimelapseSettings& t)
{
    auto* box = new QGroupBox(tr("Archive and time-lapse"));
    auto* form = new QFormLayout(box);
    m_archiveOn = checkBox("ArchiveEnabled", tr("Keep every published frame"), a.enabled);
    m_folder = new QLineEdit(a.folder);
    m_folder->setObjectName(QStringLiteral("Folder"));
    m_days = spinBox("Days", 0, 100000, a.days, tr(" days"));
    m_days->setSpecialValueText(tr("no limit"));
    m_maxMB = spinBox("MaxMB", 0, 100000000, a.maxMB, tr(" MB"));
    m_maxMB->setSpecialValueText(tr("no limit"));
    m_timelapseOn = checkBox("TimelapseEnabled", tr("Make a video of each day"), t.enabled);
    m_rate = spinBox("Rate", 1, 120, t.rate, tr(" frames a second"));
    m_upload = checkBox("Upload", tr("Upload the video"), t.upload);
    form->addRow(m_archiveOn);
    form->addRow(tr("Folder:"), m_folder);
    form->addRow(tr("Keep for:"), m_days);
    form->addRow(tr("Keep at most:"), m_maxMB);
    form->addRow(m_timelapseOn);
    form->addRow(tr("Rate:"), m_rate);
    form->addRow(m_upload);
    return box;
}

QWidget* dlgSchedule::makeVideoRow(QFuture<QList<QDate>> days)
{
    m_videoDay = new QComboBox;
    m_videoDay->setObjectName(QStringLiteral("VideoDay"));
    auto* make = new QPushButton(tr("Make Time-lapse"));
    make->setObjectName(QStringLiteral("cmdMakeTimelapse"));
    make->setEnabled(false);
    connect(make, &QPushButton::clicked, this, [this] {
        if (m_makeVideo && m_videoDay->currentIndex() >= 0)
            m_makeVideo(m_videoDay->currentData().toDate());
    });
    // The watcher goes with the dialog, so a listing that ends after it
    // was closed reaches nobody.
    auto* listing = new QFutureWatcher<QList<QDate>>(this);
    connect(listing, &QFutureWatcherBase::finished, this, [this, listing, make] {
        const QList<QDate> found =
            listing->future().resultCount() ? listing->result() : QList<QDate>();
        for (auto day = found.crbegin(); day != found.crend(); ++day)
            m_videoDay->addItem(day->toString(Qt::ISODate), *day);
        make->setEnabled(!found.isEmpty());
    });
    listing->setFuture(days);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_videoDay);
    layout->addWidget(make);
    return row;
}

dlgSchedule::Choices dlgSchedule::choices() const
{
    Choices c = m_current;
    c.schedule.latitude = degrees(m_latitude, 90);
    c.schedule.longitude = degrees(m_longitude, 180);
    c.schedule.daylight = ScheduleSettings::Daylight(m_daylight->currentIndex());
    c.schedule.offsetMinutes = m_offset->value();
    c.schedule.night = ScheduleSettings::Night(m_night->currentIndex());
    c.schedule.nightMinutes = m_nightMinutes->value();
    c.archive.enabled = m_archiveOn->isChecked();
    c.archive.folder = m_folder->text().trimmed().isEmpty() ? m_current.archive.folder
                                                            : m_folder->text().trimmed();
    c.archive.days = m_days->value();
    c.archive.maxMB = m_maxMB->value();
    c.timelapse.enabled = m_timelapseOn->isChecked();
    c.timelapse.rate = m_rate->value();
    c.timelapse.upload = m_upload->isChecked();
    return c;
}
