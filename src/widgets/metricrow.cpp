#include "metricrow.h"

#include "digitlabel.h"
#include "faceconventions.h"
#include "faceprogressbar.h"
#include "symbolview.h"
#include "theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int iconFrameWidth = 20;
constexpr int iconSize = 16;

} // namespace

MetricRow::MetricRow(const QString &icon, const QString &label, const QColor &tint, QWidget *parent)
    : QWidget(parent)
    , m_percent(new DigitLabel(this))
    , m_bar(new FaceProgressBar(tint, this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(11);

    auto *symbol = new SymbolView(icon, iconSize, tint, this);
    symbol->setObjectName(QStringLiteral("metricIcon"));
    symbol->setFixedWidth(iconFrameWidth);
    symbol->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    row->addWidget(symbol);

    auto *column = new QVBoxLayout;
    column->setSpacing(5);
    auto *texts = new QHBoxLayout;
    const QFont caption = Theme::textStyle(Theme::TextStyle::caption);
    QLabel *name = Face::label(label, caption, Theme::primaryText(), this);
    name->setObjectName(QStringLiteral("metricLabel"));
    texts->addWidget(name);
    texts->addStretch(1);
    m_percent->setObjectName(QStringLiteral("metricPercent"));
    m_percent->setTextFont(caption);
    m_percent->setColor(Theme::primaryText());
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    texts->addWidget(m_percent);
    column->addLayout(texts);
    m_bar->setObjectName(QStringLiteral("metricBar"));
    column->addWidget(m_bar);
    row->addLayout(column, 1);

    setValue(0);
}

void MetricRow::setValue(double fraction)
{
    m_value = fraction;
    m_percent->setText(Face::percent(fraction, 0));
    m_bar->setValue(fraction);
}

QString MetricRow::percentText() const
{
    return m_percent->text();
}
