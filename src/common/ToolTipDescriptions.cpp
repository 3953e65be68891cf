// SPDX-License-Identifier: GPL-3.0-or-later
#include "ToolTipDescriptions.h"

#include <QChildEvent>
#include <QEvent>
#include <QWidget>

namespace {

void describeByToolTip(QWidget* widget)
{
    if (widget->accessibleDescription() != widget->toolTip())
        widget->setAccessibleDescription(widget->toolTip());
}

} // namespace

void ToolTipDescriptions::follow(QWidget* window)
{
    new ToolTipDescriptions(window);
}

ToolTipDescriptions::ToolTipDescriptions(QWidget* window)
    : QObject(window)
{
    setObjectName(QStringLiteral("toolTipDescriptions"));
    watch(window);
}

void ToolTipDescriptions::watch(QWidget* widget)
{
    widget->installEventFilter(this);
    // A description given without a tip stays.
    if (!widget->toolTip().isEmpty())
        describeByToolTip(widget);
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        watch(child);
}

bool ToolTipDescriptions::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTipChange) {
        describeByToolTip(static_cast<QWidget*>(watched));
    } else if (event->type() == QEvent::ChildAdded) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child->isWidgetType())
            watch(static_cast<QWidget*>(child));
    }
    return false;
}
