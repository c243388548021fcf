#include "countdownwidget.h"

#include "dashboardstore.h"
#include "digitlabel.h"
#include "facebindings.h"
#include "faceconventions.h"
#include "fieldstyle.h"
#include "icu.h"
#include "theme.h"
#include "widgetdates.h"

#include <QDateEdit>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <cmath>

using namespace std::chrono_literals;

const QString CountdownWidget::reachedCaption = QStringLiteral("Today or already reached");
const QString CountdownWidget::pendingCaption = QStringLiteral("Until your chosen date");

CountdownWidget::CountdownWidget(DashboardStore *store, const QUuid &id,
    std::unique_ptr<icu::Calendar> calendar, QWidget *parent, Clock clock)
    : FaceWidget(10, parent)
    , m_store(store)
    , m_id(id)
    , m_calendar(std::move(calendar))
    , m_clock(std::move(clock))
    , m_days(new DigitLabel(
          QStringLiteral("0"), Face::bigFigureFont(52, QFont::Bold), Theme::primaryText()))
    , m_title(new QLineEdit)
    , m_date(new QDateEdit)
    , m_caption(Face::supportingLabel(reachedCaption))
{
    setObjectName(QStringLiteral("countdownFace"));
    addHeader(QStringLiteral("hourglass"), Theme::pink(), QStringLiteral("COUNTDOWN"));

    // The count and "DAYS" share a baseline: both sit on the bottom, the small label
    // lifted by the difference of the two fonts' descents.
    QFont daysFont = Theme::textStyle(Theme::TextStyle::caption);
    daysFont.setWeight(QFont::Bold);
    auto *unit = Face::label(QStringLiteral("DAYS"), daysFont, Theme::secondaryText());
    unit->setObjectName(QStringLiteral("daysUnit"));
    const qreal lift
        = QFontMetricsF(m_days->textFont()).descent() - QFontMetricsF(daysFont).descent();
    unit->setContentsMargins(0, 0, 0, std::max(0, int(std::lround(lift))));
    m_days->setObjectName(QStringLiteral("days"));
    auto *figure = new QHBoxLayout;
    figure->setContentsMargins(0, 0, 0, 0);
    figure->setSpacing(8);
    figure->addWidget(m_days, 0, Qt::AlignBottom);
    figure->addWidget(unit, 0, Qt::AlignBottom);
    figure->addStretch(1);
    addRow(figure);

    m_title->setObjectName(QStringLiteral("eventName"));
    m_title->setPlaceholderText(QStringLiteral("Event name"));
    m_title->setFont(Theme::textStyle(Theme::TextStyle::body));
    FieldStyle::applyTextField(m_title);
    addRow(m_title);

    auto *dateRow = new QHBoxLayout;
    dateRow->setContentsMargins(0, 0, 0, 0);
    dateRow->setSpacing(8);
    auto *dateLabel = Face::label(QStringLiteral("Date"), Theme::textStyle(Theme::TextStyle::body));
    m_date->setObjectName(QStringLiteral("date"));
    m_date->setAccessibleName(QStringLiteral("Date"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    m_date->setFont(Theme::textStyle(Theme::TextStyle::body));
    FieldStyle::applyDateField(m_date);
    dateRow->addWidget(dateLabel);
    dateRow->addWidget(m_date);
    dateRow->addStretch(1);
    addRow(dateRow);

    m_caption->setObjectName(QStringLiteral("caption"));
    addRow(m_caption);

    connect(m_title, &QLineEdit::textEdited, this,
        [this](const QString &text) { FaceBindings::setCountdownTitle(*m_store, m_id, text); });
    connect(m_date, &QDateEdit::dateChanged, this, &CountdownWidget::pickDate);
    connect(m_store, &DashboardStore::widgetsChanged, this, &CountdownWidget::refresh);
    startTimeline(30s, [this, zone = Icu::zoneGeneration()](const QDateTime &) mutable {
        Icu::followZone(*m_calendar, zone);
        refresh();
    });
}

CountdownWidget::~CountdownWidget() = default;

int CountdownWidget::shownDays() const
{
    return m_shownDays;
}

QString CountdownWidget::captionText() const
{
    return m_caption->text();
}

QDate CountdownWidget::localDate(Instant instant) const
{
    std::unique_ptr<icu::Calendar> calendar(m_calendar->clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(Icu::toUDate(instant), status);
    const int year = calendar->get(UCAL_EXTENDED_YEAR, status);
    const int month = calendar->get(UCAL_MONTH, status) + 1;
    const int day = calendar->get(UCAL_DATE, status);
    return U_SUCCESS(status) ? QDate(year, month, day) : QDate();
}

void CountdownWidget::pickDate(const QDate &date)
{
    if (!date.isValid())
        return;
    const Instant now = m_clock();
    const Instant old = FaceBindings::countdownTarget(*m_store, m_id, now);
    if (localDate(old) == date)
        return;
    // Only the day changes; the time of day the target had is kept.
    std::unique_ptr<icu::Calendar> calendar(m_calendar->clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(Icu::toUDate(old), status);
    calendar->set(UCAL_EXTENDED_YEAR, date.year());
    calendar->set(UCAL_MONTH, date.month() - 1);
    calendar->set(UCAL_DATE, date.day());
    const UDate picked = calendar->getTime(status);
    if (U_FAILURE(status))
        return;
    FaceBindings::setCountdownTarget(*m_store, m_id, Icu::fromUDate(picked));
}

void CountdownWidget::refresh()
{
    const Instant now = m_clock();
    const Instant target = FaceBindings::countdownTarget(*m_store, m_id, now);
    m_shownDays = WidgetDates::daysRemaining(target, now, *m_calendar);
    m_days->setText(QString::number(m_shownDays));
    m_caption->setText(m_shownDays == 0 ? reachedCaption : pendingCaption);

    const QString title = FaceBindings::countdownTitle(*m_store, m_id);
    if (m_title->text() != title)
        m_title->setText(title);
    const QDate date = localDate(target);
    if (date.isValid() && m_date->date() != date) {
        const QSignalBlocker blocker(m_date);
        m_date->setDate(date);
    }
}
