#include "faceheader.h"

#include "faceconventions.h"
#include "symbolview.h"
#include "theme.h"

#include <QHBoxLayout>
#include <QLabel>

FaceHeader::FaceHeader(
    const QString &symbol, const QColor &tint, const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_row(new QHBoxLayout(this))
    , m_symbol(new SymbolView(symbol, symbolSize, tint, this))
    , m_title(Face::label(title, Face::eyebrowFont(), Theme::secondaryText(), this))
{
    setObjectName(QStringLiteral("faceHeader"));
    m_title->setObjectName(QStringLiteral("faceTitle"));
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(spacing);
    m_row->addWidget(m_symbol, 0, Qt::AlignVCenter);
    m_row->addWidget(m_title, 0, Qt::AlignVCenter);
    m_row->addStretch(1);
}

void FaceHeader::addTrailing(QWidget *widget)
{
    widget->setParent(this);
    m_row->addWidget(widget, 0, Qt::AlignVCenter);
}
