// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QObject;
class QRadioButton;

// Runs onChosen whenever the option becomes selected, by the operator or by
// code. With reselect, a click on the option that is already selected runs
// it again too (the operator's way to say "once more").
void whenChosen(QRadioButton* option, QObject* context, std::function<void()> onChosen,
                bool reselect = false);

// Clears an option of an exclusive group, leaving none of them selected,
// which the group alone would refuse.
void deselect(QRadioButton* option);
