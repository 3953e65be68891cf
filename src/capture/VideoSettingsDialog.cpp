// SPDX-License-Identifier: GPL-3.0-or-later
#include "VideoSettingsDialog.h"

#include "Texts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

VideoSettingsDialog::VideoSettingsDialog(CaptureDevice& capture, QWidget* parent)
    : QDialog(parent)
    , m_capture(capture)
    , m_formats(capture.formats())
{
    setObjectName(QStringLiteral("dlgVideoSettings"));
    setWindowTitle(tr("Video Settings"));

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_formatList = new QComboBox(this);
    m_formatList->setObjectName(QStringLiteral("cboFormat"));
    form->addRow(tr("Picture size and rate"), m_formatList);
    layout->addLayout(form);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblVideoNote"));
    layout->addWidget(m_note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QPushButton* cameras =
        buttons->addButton(texts::networkCamerasButton, QDialogButtonBox::ActionRole);
    cameras->setObjectName(QStringLiteral("cmdNetworkCameras"));
    connect(cameras, &QPushButton::clicked, this, &VideoSettingsDialog::networkCamerasRequested);
    layout->addWidget(buttons);

    const CaptureFormat current = capture.format();
    for (const CaptureFormat& f : m_formats)
        m_formatList->addItem(describe(f));
    m_formatList->setCurrentIndex(int(m_formats.indexOf(current)));
    if (m_formats.isEmpty()) {
        m_formatList->setEnabled(false);
        const int driver = capture.driverIndex();
        m_note->setText(capture.isNetworkCamera(driver)
                            ? QString(texts::networkCameraFormat).arg(capture.driverName(driver))
                            : tr("No capture driver is connected."));
    }
    connect(m_formatList, &QComboBox::activated, this, &VideoSettingsDialog::apply);
}

QString VideoSettingsDialog::describe(const CaptureFormat& f)
{
    const QString size =
        QStringLiteral("%1 x %2").arg(f.resolution.width()).arg(f.resolution.height());
    if (qFuzzyCompare(f.minFrameRate, f.maxFrameRate))
        return tr("%1 at %2 frames/s").arg(size).arg(double(f.maxFrameRate));
    return tr("%1 at %2 to %3 frames/s")
        .arg(size)
        .arg(double(f.minFrameRate))
        .arg(double(f.maxFrameRate));
}

void VideoSettingsDialog::apply(int row)
{
    if (row < 0 || row >= m_formats.size())
        return;
    m_note->setText(m_capture.setFormat(m_formats[row]) ? QString()
                                                        : tr("The driver refused this setting."));
}
