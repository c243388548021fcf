#include "dailyfigures.h"

#include "icu.h"

#include <QRandomGenerator>
#include <memory>

namespace {

std::unique_ptr<icu::Calendar> calendarAt(Instant at, const icu::Calendar &calendar)
{
    std::unique_ptr<icu::Calendar> copy(calendar.clone());
    if (!copy)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    copy->setTime(Icu::toUDate(at), status);
    if (U_FAILURE(status))
        return nullptr;
    return copy;
}

} // namespace

double yearProgress(Instant at, const icu::Calendar &calendar)
{
    std::unique_ptr<icu::Calendar> cursor = calendarAt(at, calendar);
    if (!cursor)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    // The first instant of the year: the start of its first day, which the calendar knows
    // even where a zone skips midnight.
    cursor->set(UCAL_DAY_OF_YEAR, 1);
    cursor->set(UCAL_HOUR_OF_DAY, 0);
    cursor->set(UCAL_MINUTE, 0);
    cursor->set(UCAL_SECOND, 0);
    cursor->set(UCAL_MILLISECOND, 0);
    const UDate start = cursor->getTime(status);
    cursor->add(UCAL_YEAR, 1, status);
    const UDate end = cursor->getTime(status);
    if (U_FAILURE(status) || !(end > start))
        return 0;
    return (Icu::toUDate(at) - start) / (end - start);
}

int yearNumber(Instant at, const icu::Calendar &calendar)
{
    std::unique_ptr<icu::Calendar> cursor = calendarAt(at, calendar);
    if (!cursor)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const int32_t year = cursor->get(UCAL_YEAR, status);
    return U_SUCCESS(status) ? year : 0;
}

const QList<Quote> &dailyQuotes()
{
    static const QList<Quote> quotes = {
        {QStringLiteral("The secret of getting ahead is getting started."),
            QStringLiteral("Mark Twain")},
        {QStringLiteral("Simplicity is the ultimate sophistication."),
            QStringLiteral("Leonardo da Vinci")},
        {QStringLiteral("Great things are done by a series of small things brought together."),
            QStringLiteral("Vincent van Gogh")},
        {QStringLiteral("What you do makes a difference."), QStringLiteral("Jane Goodall")},
        {QStringLiteral("Stay hungry. Stay foolish."), QStringLiteral("Steve Jobs")},
    };
    return quotes;
}

int quoteIndex(Instant at, const icu::Calendar &calendar, int count)
{
    if (count <= 0)
        return 0;
    int ordinal = 1;
    if (std::unique_ptr<icu::Calendar> cursor = calendarAt(at, calendar)) {
        UErrorCode status = U_ZERO_ERROR;
        const int32_t day = cursor->get(UCAL_DAY_OF_YEAR, status);
        if (U_SUCCESS(status))
            ordinal = day;
    }
    return ordinal % count;
}

int rollDie()
{
    return static_cast<int>(QRandomGenerator::system()->bounded(1, 7));
}
