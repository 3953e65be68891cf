// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QWidget;

// Screen readers do not read every control's tool tip (Qt's item views leave
// it out), so each control of a window carries its tool tip as its accessible
// description too: the tips it has now and those it is given later, on
// controls made now or later.
class ToolTipDescriptions final : public QObject
{
    Q_OBJECT
public:
    // Follows window and everything in it; owned by window.
    static void follow(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit ToolTipDescriptions(QWidget* window);
    void watch(QWidget* widget);
};
