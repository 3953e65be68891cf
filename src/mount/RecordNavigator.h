// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>

class PresetRecordSet;
class QLabel;
class QToolButton;

// The data control's navigator: first, previous, caption, next, last.
// Previous stops on the first record and next on the last one.
class RecordNavigator final : public QFrame
{
    Q_OBJECT
public:
    explicit RecordNavigator(const QString& caption, QWidget* parent = nullptr);

    void setRecordSet(PresetRecordSet* presets);
    QString caption() const;

    QToolButton* firstButton() const { return m_first; }
    QToolButton* previousButton() const { return m_previous; }
    QToolButton* nextButton() const { return m_next; }
    QToolButton* lastButton() const { return m_last; }

private:
    QToolButton* m_first;
    QToolButton* m_previous;
    QLabel* m_caption;
    QToolButton* m_next;
    QToolButton* m_last;
    PresetRecordSet* m_presets = nullptr;
};
