#include "yearprogresswidget.h"

#include "dailyfigures.h"
#include "digitlabel.h"
#include "faceconventions.h"
#include "faceprogressbar.h"
#include "icu.h"
#include "theme.h"

#include <QLabel>

using namespace std::chrono_literals;

YearProgressWidget::YearProgressWidget(QWidget *parent)
    : FaceWidget(12, parent)
    , m_percent(new DigitLabel(this))
    , m_bar(new FaceProgressBar(Theme::blue(), this))
    , m_caption(Face::supportingLabel(QString(), this))
{
    setObjectName(QStringLiteral("yearProgressFace"));
    addHeader(QStringLiteral("chart.bar.fill"), Theme::blue(), QStringLiteral("YEAR PROGRESS"));
    addStretch();
    m_percent->setObjectName(QStringLiteral("yearPercent"));
    m_percent->setTextFont(Face::bigFigureFont(43, QFont::DemiBold));
    m_percent->setColor(Theme::primaryText());
    addRow(m_percent);
    m_bar->setObjectName(QStringLiteral("yearBar"));
    addRow(m_bar);
    m_caption->setObjectName(QStringLiteral("yearCaption"));
    addRow(m_caption);

    startTimeline(1h, [this](const QDateTime &now) { tick(Instant::fromDateTime(now)); });
}

void YearProgressWidget::tick(Instant at)
{
    const std::unique_ptr<icu::Calendar> calendar = Icu::currentCalendar();
    const double progress = calendar ? yearProgress(at, *calendar) : 0;
    m_percent->setText(Face::percent(progress, 1));
    m_bar->setValue(progress);
    const int year = calendar ? yearNumber(at, *calendar) : 0;
    m_caption->setText(QStringLiteral("of ") + QString::number(year) + QStringLiteral(" complete"));
}

QString YearProgressWidget::percentText() const
{
    return m_percent->text();
}

QString YearProgressWidget::captionText() const
{
    return m_caption->text();
}

double YearProgressWidget::progress() const
{
    return m_bar->value();
}
