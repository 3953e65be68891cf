// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QPixmap>

// The position touch pad: a picture with a sunken border whose inner area
// has its own scale, 1 at the left and top edges, 20.28 units wide and
// 16.92 units high. Moves are reported with or without a button held; a
// double-click is one click.
class TouchPad final : public QFrame
{
    Q_OBJECT
public:
    static constexpr float unitsWide = 20.28f;
    static constexpr float unitsHigh = 16.92f;

    explicit TouchPad(QWidget* parent = nullptr);

    void setBackdrop(const QPixmap& backdrop);
    // Pad units of a point in widget pixels.
    QPointF toPadUnits(QPointF widgetPoint) const;

signals:
    void MouseMove(float x, float y);
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double-click: no click of its own.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPixmap m_backdrop;
    bool m_pressed = false;
};
