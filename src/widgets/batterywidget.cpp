#include "batterywidget.h"

#include "digitlabel.h"
#include "faceconventions.h"
#include "faceprogressbar.h"
#include "theme.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>

using namespace std::chrono_literals;

BatteryWidget::BatteryWidget(const QString &powerSupplyRoot, QWidget *parent)
    : FaceWidget(10, parent)
    , m_root(powerSupplyRoot.isEmpty() ? QString::fromLatin1(PowerSource::powerSupplyRoot)
                                       : powerSupplyRoot)
    , m_chargeRow(new QWidget(this))
    , m_percent(new DigitLabel(m_chargeRow))
    , m_bar(new FaceProgressBar(Theme::green(), this))
    , m_desktopTitle(Face::label(QStringLiteral("Desktop power"),
          Theme::font(Theme::textStyleSize(Theme::TextStyle::title2), QFont::Medium),
          Theme::primaryText(), this))
    , m_desktopNote(Face::supportingLabel(QStringLiteral("No internal battery detected"), this))
{
    setObjectName(QStringLiteral("batteryFace"));
    addHeader(QStringLiteral("battery.75percent"), Theme::green(), QStringLiteral("BATTERY"));
    addStretch();

    // The figure and "remaining" share their first baseline: both sit on the row's bottom,
    // the smaller text lifted by the difference of the two descents.
    const QFont figureFont = Face::bigFigureFont(48, QFont::DemiBold);
    const QFont captionFont = Theme::textStyle(Theme::TextStyle::caption);
    m_chargeRow->setObjectName(QStringLiteral("chargeRow"));
    auto *row = new QHBoxLayout(m_chargeRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    m_percent->setObjectName(QStringLiteral("chargePercent"));
    m_percent->setTextFont(figureFont);
    m_percent->setColor(Theme::primaryText());
    row->addWidget(m_percent, 0, Qt::AlignBottom);
    QLabel *remaining = Face::supportingLabel(QStringLiteral("remaining"), m_chargeRow);
    remaining->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    const int lift
        = qRound(QFontMetricsF(figureFont).descent() - QFontMetricsF(captionFont).descent());
    remaining->setContentsMargins(0, 0, 0, qMax(0, lift));
    row->addWidget(remaining, 0, Qt::AlignBottom);
    row->addStretch(1);
    addRow(m_chargeRow);

    m_bar->setObjectName(QStringLiteral("chargeBar"));
    addRow(m_bar);
    m_desktopTitle->setObjectName(QStringLiteral("desktopPowerTitle"));
    m_desktopNote->setObjectName(QStringLiteral("desktopPowerNote"));
    addRow(m_desktopTitle);
    addRow(m_desktopNote);

    startTimeline(30s, [this](const QDateTime &) { tick(); });
}

void BatteryWidget::tick()
{
    m_charge = PowerSource::currentCapacity(m_root);
    const bool present = m_charge.has_value();
    m_chargeRow->setVisible(present);
    m_bar->setVisible(present);
    m_desktopTitle->setVisible(!present);
    m_desktopNote->setVisible(!present);
    if (!present)
        return;
    m_percent->setText(Face::percent(*m_charge, 0));
    m_bar->setValue(*m_charge);
    m_bar->setTint(PowerSource::isLowCharge(*m_charge) ? Theme::red() : Theme::green());
}
