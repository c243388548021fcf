#include "facewidget.h"

#include "faceconventions.h"
#include "faceheader.h"

#include <QSpacerItem>
#include <QVBoxLayout>

FaceWidget::FaceWidget(int spacing, QWidget *parent)
    : QWidget(parent)
    , m_stack(new QVBoxLayout(this))
    , m_top(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding))
    , m_bottom(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding))
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->setSpacing(spacing);
    m_stack->addItem(m_top);
    m_stack->addItem(m_bottom);
}

FaceHeader *FaceWidget::addHeader(const QString &symbol, const QColor &tint, const QString &title)
{
    auto *header = new FaceHeader(symbol, tint, title, this);
    addRow(header);
    return header;
}

int FaceWidget::insertionIndex() const
{
    return m_stack->indexOf(m_bottom);
}

void FaceWidget::addRow(QWidget *row, Qt::Alignment alignment)
{
    m_stack->insertWidget(insertionIndex(), row, 0, alignment);
}

void FaceWidget::addRow(QLayout *row)
{
    m_stack->insertLayout(insertionIndex(), row);
}

void FaceWidget::addFillingRow(QWidget *row, int stretch)
{
    stopCentring();
    m_stack->insertWidget(insertionIndex(), row, stretch);
}

void FaceWidget::addStretch(int stretch)
{
    stopCentring();
    m_stack->insertStretch(insertionIndex(), stretch);
}

void FaceWidget::stopCentring()
{
    // The spacers stay in place at zero size so insertionIndex() keeps working; they no
    // longer share the spare height. Empty items get no stack spacing around them.
    m_top->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_bottom->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_stack->invalidate();
}

QTimer *FaceWidget::startTimeline(
    std::chrono::milliseconds interval, std::function<void(const QDateTime &now)> tick)
{
    return Face::startTimeline(this, interval, std::move(tick));
}

QTimer *FaceWidget::startPolling(std::chrono::milliseconds interval, std::function<void()> poll)
{
    return Face::startPolling(this, interval, std::move(poll));
}
