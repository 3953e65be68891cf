// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"

class QtMessageBoxes final : public MessageBoxes
{
public:
    void information(QWidget* parent, const QString& title, const QString& text) override;
};
