// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordNavigator.h"

#include "PresetRecordSet.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace {

// Standard icons rather than arrow characters: not every font has the
// first/last glyphs, and a missing one draws as an empty box.
QToolButton* navigatorButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(9, 9));
    button->setToolTip(tip);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    button->setFixedWidth(13);
    return button;
}

} // namespace

RecordNavigator::RecordNavigator(const QString& caption, QWidget* parent)
    : QFrame(parent)
    , m_first(navigatorButton(this, QStyle::SP_MediaSkipBackward, QStringLiteral("First record")))
    , m_previous(
          navigatorButton(this, QStyle::SP_MediaSeekBackward, QStringLiteral("Previous record")))
    , m_caption(new QLabel(caption, this))
    , m_next(navigatorButton(this, QStyle::SP_MediaSeekForward, QStringLiteral("Next record")))
    , m_last(navigatorButton(this, QStyle::SP_MediaSkipForward, QStringLiteral("Last record")))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setToolTip(caption);
    // The design's width leaves the caption little room; it is clipped.
    m_caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_caption->setIndent(2);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);
    row->addWidget(m_first);
    row->addWidget(m_previous);
    row->addWidget(m_caption, 1);
    row->addWidget(m_next);
    row->addWidget(m_last);

    connect(m_first, &QToolButton::clicked, this, [this] {
        if (m_presets)
            m_presets->MoveFirst();
    });
    connect(m_previous, &QToolButton::clicked, this, [this] {
        if (!m_presets)
            return;
        m_presets->MovePrevious();
        if (m_presets->isBOF())
            m_presets->MoveFirst();
    });
    connect(m_next, &QToolButton::clicked, this, [this] {
        if (!m_presets)
            return;
        m_presets->MoveNext();
        if (m_presets->isEOF())
            m_presets->MoveLast();
    });
    connect(m_last, &QToolButton::clicked, this, [this] {
        if (m_presets)
            m_presets->MoveLast();
    });
}

void RecordNavigator::setRecordSet(PresetRecordSet* presets)
{
    m_presets = presets;
}

QString RecordNavigator::caption() const
{
    return m_caption->text();
}
