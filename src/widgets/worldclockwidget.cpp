#include "worldclockwidget.h"

#include "clocktext.h"
#include "digitlabel.h"
#include "faceconventions.h"
#include "icu.h"
#include "theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

using namespace std::chrono_literals;

namespace {

QWidget *divider(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QStringLiteral("cityDivider"));
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, Theme::white(0.25));
    line->setPalette(palette);
    return line;
}

} // namespace

WorldClockWidget::WorldClockWidget(QWidget *parent)
    : FaceWidget(11, parent)
{
    setObjectName(QStringLiteral("worldClockFace"));
    addHeader(QStringLiteral("globe"), Theme::cyan(), QStringLiteral("WORLD CLOCK"));

    const QList<ClockText::City> &cities = ClockText::worldCities();
    for (const ClockText::City &city : cities) {
        auto *row = new QWidget(this);
        row->setObjectName(QStringLiteral("cityRow"));
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        QLabel *label
            = Face::label(city.label, Theme::font(15, QFont::Medium), Theme::primaryText(), row);
        label->setObjectName(QStringLiteral("cityLabel"));
        layout->addWidget(label, 0, Qt::AlignVCenter);
        layout->addStretch(1);
        auto *time = new DigitLabel(row);
        time->setObjectName(QStringLiteral("cityTime"));
        time->setTextFont(Face::bigFigureFont(17, QFont::DemiBold));
        time->setColor(Theme::primaryText());
        layout->addWidget(time, 0, Qt::AlignVCenter);
        m_times.append(time);
        addRow(row);
        // Rows and dividers are separate children, so the stack spacing surrounds both.
        if (city.label != cities.last().label)
            addRow(divider(this));
    }

    startTimeline(1s, [this](const QDateTime &now) { tick(Instant::fromDateTime(now)); });
}

void WorldClockWidget::tick(Instant at)
{
    const icu::Locale locale = Icu::timeLocale();
    const std::unique_ptr<icu::TimeZone> local(icu::TimeZone::createDefault());
    const QList<ClockText::City> &cities = ClockText::worldCities();
    for (qsizetype i = 0; i < m_times.size(); ++i)
        m_times[i]->setText(ClockText::zoneTime(at, cities[i].zoneId, locale, *local));
}

QStringList WorldClockWidget::timeTexts() const
{
    QStringList texts;
    for (const DigitLabel *time : m_times)
        texts << time->text();
    return texts;
}
