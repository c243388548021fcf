#pragma once

#include "facewidget.h"
#include "instant.h"

#include <QUuid>
#include <functional>
#include <memory>
#include <unicode/calendar.h>

class DashboardStore;
class DigitLabel;
class QDateEdit;
class QLabel;
class QLineEdit;

// The countdown face: whole calendar days until the chosen date, the event's name and
// the date picker. Redrawn every 30 s so the count turns over shortly after midnight.
class CountdownWidget : public FaceWidget
{
    Q_OBJECT

public:
    using Clock = std::function<Instant()>;

    // `calendar` decides days and the zone the picker's dates are in.
    CountdownWidget(DashboardStore *store, const QUuid &id, std::unique_ptr<icu::Calendar> calendar,
        QWidget *parent = nullptr, Clock clock = &Instant::now);
    ~CountdownWidget() override;

    int shownDays() const;
    QString captionText() const;

    static const QString reachedCaption;
    static const QString pendingCaption;

private:
    void refresh();
    void pickDate(const QDate &date);
    QDate localDate(Instant instant) const;

    DashboardStore *m_store;
    QUuid m_id;
    std::unique_ptr<icu::Calendar> m_calendar;
    Clock m_clock;
    DigitLabel *m_days;
    QLineEdit *m_title;
    QDateEdit *m_date;
    QLabel *m_caption;
    int m_shownDays = 0;
};
