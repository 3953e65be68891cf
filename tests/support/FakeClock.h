// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Clock.h"

// A clock the test sets and moves along.
class FakeClock final : public Clock
{
public:
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& at) { m_now = at; }

private:
    QDateTime m_now = QDateTime(QDate(2026, 6, 21), QTime(12, 0), Qt::UTC);
};
