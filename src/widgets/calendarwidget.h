#pragma once

#include "facewidget.h"
#include "icu.h"
#include "instant.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>

class QLabel;
class QToolButton;

// The month grid: weekday initials, then the day numbers, today on an orange circle.
class MonthGrid : public QWidget
{
    Q_OBJECT

public:
    explicit MonthGrid(QWidget *parent = nullptr);

    void setMonth(QStringList weekdays, QList<std::optional<Instant>> cells, QStringList numbers,
        int todayIndex);
    // The cell index holding today, or -1 when today is not in the shown month.
    int todayIndex() const { return m_today; }
    int cellCount() const { return int(m_cells.size()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int columns = 7;
    static constexpr int rowSpacing = 9;
    static constexpr int columnSpacing = 8;
    static constexpr int cellSize = 28;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int symbolRowHeight() const;

    QStringList m_weekdays;
    QList<std::optional<Instant>> m_cells;
    QStringList m_numbers;
    int m_today = -1;
};

// The calendar face: one month, stepped back and forth with a view-local offset that
// starts at the current month whenever the face is built. Writes nothing.
class CalendarWidget : public FaceWidget
{
    Q_OBJECT

public:
    using Clock = std::function<Instant()>;

    CalendarWidget(std::unique_ptr<icu::Calendar> calendar, QWidget *parent = nullptr,
        Clock clock = &Instant::now, const icu::Locale &locale = Icu::timeLocale());
    ~CalendarWidget() override;

    int monthOffset() const { return m_monthOffset; }
    void setMonthOffset(int offset);
    QString monthTitle() const;
    MonthGrid *grid() const { return m_grid; }

private:
    void refresh();

    std::unique_ptr<icu::Calendar> m_calendar;
    Clock m_clock;
    icu::Locale m_locale;
    // Made once: the locale and the first weekday stay for the face's life.
    QStringList m_weekdays;
    std::unique_ptr<icu::NumberFormat> m_dayFormat;
    int m_monthOffset = 0;
    QLabel *m_title;
    MonthGrid *m_grid;
};
