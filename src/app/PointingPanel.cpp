// SPDX-License-Identifier: GPL-3.0-or-later
#include "PointingPanel.h"

#include "MainWindowLayout.h"
#include "OptionChoice.h"
#include "TouchPad.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

PointingPanel::PointingPanel(const MainWindowLayout& ui,
                             std::function<void(const QString&)> showStatus)
    : m_ui(ui)
    , m_showStatus(std::move(showStatus))
{}

bool PointingPanel::randomChosen() const
{
    return m_ui.optRandom->isChecked();
}

bool PointingPanel::sequenceChosen() const
{
    return m_ui.optsequence->isChecked();
}

bool PointingPanel::trainingChosen() const
{
    return m_ui.optTrain->isChecked();
}

void PointingPanel::endSequence()
{
    deselect(m_ui.optsequence);
}

void PointingPanel::setPadEnabled(bool enabled)
{
    m_ui.Picture1->setEnabled(enabled);
}

void PointingPanel::setDeleteEnabled(bool enabled)
{
    m_ui.cmdDelete->setEnabled(enabled);
}

void PointingPanel::showPosition(qint16 pan, qint16 tilt)
{
    m_pan = pan;
    m_tilt = tilt;
    m_ui.lblPan->setText(QString::number(pan));
    m_ui.lblTilt->setText(QString::number(tilt));
}

QString PointingPanel::panText() const
{
    return m_ui.lblPan->text();
}

QString PointingPanel::tiltText() const
{
    return m_ui.lblTilt->text();
}

QString PointingPanel::defaultDelayText() const
{
    return m_ui.txtDefDelay->text();
}

void PointingPanel::beep()
{
    QApplication::beep();
}

void PointingPanel::showStatus(const QString& text)
{
    m_showStatus(text);
}
