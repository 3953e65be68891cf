// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLatin1String>
#include <QRect>

#include <utility>

class QWidget;

// Makes a control of the window layouts: created in its container, named
// after the control, at its design place. The object name is what tests and
// the settings module find the control by.
template <typename T, typename... Args>
T* placeControl(QWidget* container, const char* name, QRect geometry, Args&&... args)
{
    auto* control = new T(std::forward<Args>(args)..., container);
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}
