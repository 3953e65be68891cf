// SPDX-License-Identifier: GPL-3.0-or-later
#include "OptionChoice.h"

#include <QRadioButton>

#include <memory>

void whenChosen(QRadioButton* option, QObject* context, std::function<void()> onChosen,
                bool reselect)
{
    QObject::connect(option, &QAbstractButton::toggled, context, [onChosen](bool checked) {
        if (checked)
            onChosen();
    });
    if (!reselect)
        return;
    // toggled comes before clicked, so the state at the press tells whether
    // this click chose the option or repeated the choice.
    auto checkedAtPress = std::make_shared<bool>(false);
    QObject::connect(option, &QAbstractButton::pressed, context,
                     [option, checkedAtPress] { *checkedAtPress = option->isChecked(); });
    QObject::connect(option, &QAbstractButton::clicked, context, [onChosen, checkedAtPress] {
        if (*checkedAtPress)
            onChosen();
        *checkedAtPress = false;
    });
}

void deselect(QRadioButton* option)
{
    const bool exclusive = option->autoExclusive();
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(exclusive);
}
