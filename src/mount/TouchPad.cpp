// SPDX-License-Identifier: GPL-3.0-or-later
#include "TouchPad.h"

#include <QMouseEvent>
#include <QPainter>

TouchPad::TouchPad(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
}

void TouchPad::setBackdrop(const QPixmap& backdrop)
{
    m_backdrop = backdrop;
    update();
}

QPointF TouchPad::toPadUnits(QPointF widgetPoint) const
{
    const QRect inner = contentsRect();
    const qreal px = widgetPoint.x() - inner.left();
    const qreal py = widgetPoint.y() - inner.top();
    return {1.0 + unitsWide * px / qMax(1, inner.width()),
            1.0 + unitsHigh * py / qMax(1, inner.height())};
}

void TouchPad::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (m_backdrop.isNull())
        return;
    QPainter painter(this);
    const QRect inner = contentsRect();
    painter.setClipRect(inner);
    painter.drawPixmap(inner.topLeft(), m_backdrop);
}

void TouchPad::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF units = toPadUnits(event->position());
    emit MouseMove(float(units.x()), float(units.y()));
}

void TouchPad::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void TouchPad::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The first press and release of the pair made the click already; a
    // second one would store the same training preset twice.
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
}

void TouchPad::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (rect().contains(event->position().toPoint()))
        emit Click();
}
