#include "clockwidget.h"

#include "clocktext.h"
#include "digitlabel.h"
#include "faceconventions.h"
#include "icu.h"
#include "theme.h"

#include <QLabel>

using namespace std::chrono_literals;

ClockWidget::ClockWidget(QWidget *parent)
    : FaceWidget(4, parent)
    , m_time(new DigitLabel(this))
    , m_date(Face::label(QString(), Theme::font(16, QFont::Medium), Theme::secondaryText(), this))
{
    setObjectName(QStringLiteral("clockFace"));
    addHeader(QStringLiteral("clock.fill"), Theme::cyan(), QStringLiteral("LOCAL TIME"));
    addStretch();

    m_time->setObjectName(QStringLiteral("clockTime"));
    m_time->setTextFont(Face::bigFigureFont(44, QFont::Medium));
    m_time->setColor(Theme::primaryText());
    m_time->setMinimumScale(0.5);
    addRow(m_time);

    m_date->setObjectName(QStringLiteral("clockDate"));
    addRow(m_date);

    startTimeline(1s, [this](const QDateTime &now) { tick(Instant::fromDateTime(now)); });
}

void ClockWidget::tick(Instant at)
{
    const icu::Locale locale = Icu::timeLocale();
    const std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    m_time->setText(ClockText::time(at, locale, *zone));
    m_date->setText(ClockText::date(at, locale, *zone));
}

QString ClockWidget::timeText() const
{
    return m_time->text();
}

QString ClockWidget::dateText() const
{
    return m_date->text();
}
