// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The window system's modal message boxes.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    // An information box with an OK button only; returns when it is closed.
    virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
};
