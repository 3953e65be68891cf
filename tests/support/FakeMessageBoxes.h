// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MessageBoxes.h"

#include <QStringList>

class FakeMessageBoxes final : public MessageBoxes
{
public:
    void information(QWidget*, const QString& title, const QString& text) override
    {
        titles.append(title);
        texts.append(text);
    }
    QStringList titles;
    QStringList texts;
};
