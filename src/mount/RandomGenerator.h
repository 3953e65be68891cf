// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Single-precision values uniform in [0, 1), from a fixed starting state:
// every generator, in every run, draws the same series.
class RandomGenerator final
{
public:
    float next();

private:
    // xorshift64*; any non-zero start will do, this one is ours.
    quint64 m_state = 0x4b69767261576562ull;
};
