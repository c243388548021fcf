#include "widgetdates.h"

#include "icu.h"

#include <algorithm>
#include <memory>
#include <unicode/dtfmtsym.h>

namespace WidgetDates {

namespace {

// A copy of `calendar` set to `date`, or null when the calendar rejects the date.
std::unique_ptr<icu::Calendar> at(const icu::Calendar &calendar, Instant date)
{
    std::unique_ptr<icu::Calendar> copy(calendar.clone());
    if (!copy)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    copy->setTime(Icu::toUDate(date), status);
    if (U_FAILURE(status))
        return nullptr;
    return copy;
}

void toStartOfDay(icu::Calendar &calendar)
{
    calendar.set(UCAL_HOUR_OF_DAY, 0);
    calendar.set(UCAL_MINUTE, 0);
    calendar.set(UCAL_SECOND, 0);
    calendar.set(UCAL_MILLISECOND, 0);
}

} // namespace

int daysRemaining(Instant until, Instant now, const icu::Calendar &calendar)
{
    const auto from = at(calendar, now);
    const auto to = at(calendar, until);
    if (!from || !to)
        return 0;
    toStartOfDay(*from);
    toStartOfDay(*to);
    UErrorCode status = U_ZERO_ERROR;
    const UDate target = to->getTime(status);
    const int days = from->fieldDifference(target, UCAL_DATE, status);
    if (U_FAILURE(status))
        return 0;
    return std::max(0, days);
}

QList<std::optional<Instant>> monthDates(Instant containing, const icu::Calendar &calendar)
{
    const auto month = at(calendar, containing);
    if (!month)
        return {};
    month->set(UCAL_DATE, 1);
    toStartOfDay(*month);
    UErrorCode status = U_ZERO_ERROR;
    const UDate start = month->getTime(status);
    const int firstDay = month->getActualMinimum(UCAL_DATE, status);
    const int lastDay = month->getActualMaximum(UCAL_DATE, status);
    const int weekday = month->get(UCAL_DAY_OF_WEEK, status);
    if (U_FAILURE(status) || lastDay < firstDay)
        return {};

    const int leading = (weekday - static_cast<int>(calendar.getFirstDayOfWeek()) + 7) % 7;
    QList<std::optional<Instant>> cells(leading);
    cells.reserve(leading + lastDay - firstDay + 1);
    for (int day = firstDay; day <= lastDay; ++day) {
        UErrorCode dayStatus = U_ZERO_ERROR;
        month->setTime(start, dayStatus);
        month->add(UCAL_DATE, day - 1, dayStatus);
        const UDate date = month->getTime(dayStatus);
        cells.append(U_SUCCESS(dayStatus) ? std::optional(Icu::fromUDate(date)) : std::nullopt);
    }
    return cells;
}

QStringList weekdaySymbols(const icu::Calendar &calendar)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = calendar.getLocale(ULOC_VALID_LOCALE, status);
    icu::DateFormatSymbols symbols(
        U_SUCCESS(status) ? locale : Icu::timeLocale(), calendar.getType(), status);
    if (U_FAILURE(status))
        return {};
    int32_t count = 0;
    // Index 0 is unused; 1 is Sunday.
    const icu::UnicodeString *names = symbols.getWeekdays(
        count, icu::DateFormatSymbols::STANDALONE, icu::DateFormatSymbols::NARROW);
    if (count < 8)
        return {};
    QStringList week;
    for (int i = 1; i <= 7; ++i)
        week.append(Icu::toQString(names[i]));
    const int first = std::clamp(static_cast<int>(calendar.getFirstDayOfWeek()), 1, 7) - 1;
    std::rotate(week.begin(), week.begin() + first, week.end());
    return week;
}

std::optional<Instant> addingMonths(Instant date, int months, const icu::Calendar &calendar)
{
    const auto moved = at(calendar, date);
    if (!moved)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    moved->add(UCAL_MONTH, months, status);
    const UDate result = moved->getTime(status);
    if (U_FAILURE(status))
        return std::nullopt;
    return Icu::fromUDate(result);
}

bool isSameDay(Instant a, Instant b, const icu::Calendar &calendar)
{
    const auto first = at(calendar, a);
    const auto second = at(calendar, b);
    if (!first || !second)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const bool same = first->get(UCAL_ERA, status) == second->get(UCAL_ERA, status)
        && first->get(UCAL_YEAR, status) == second->get(UCAL_YEAR, status)
        && first->get(UCAL_DAY_OF_YEAR, status) == second->get(UCAL_DAY_OF_YEAR, status);
    return U_SUCCESS(status) && same;
}

} // namespace WidgetDates
