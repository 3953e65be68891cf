// SPDX-License-Identifier: GPL-3.0-or-later
#include "RandomGenerator.h"

float RandomGenerator::next()
{
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    const quint64 mixed = m_state * 0x2545f4914f6cdd1dull;
    // The top 24 bits fill a float's mantissa exactly, so 1.0 never comes.
    return float(mixed >> 40) / float(1u << 24);
}
