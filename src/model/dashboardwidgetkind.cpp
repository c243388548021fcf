#include "dashboardwidgetkind.h"

namespace {

struct KindInfo
{
    DashboardWidgetKind kind;
    const char16_t *raw;
    const char16_t *title;
    const char16_t *subtitle;
    const char16_t *symbol;
    double width;
    double height;
};

using K = DashboardWidgetKind;

constexpr std::array<KindInfo, WidgetKinds::count> kTable {{
    {K::clock, u"clock", u"Clock", u"Current time and date", u"clock.fill", 275, 155},
    {K::calendar, u"calendar", u"Calendar", u"A monthly date overview", u"calendar", 360, 330},
    {K::notes, u"notes", u"Notes", u"A persistent scratch pad", u"note.text", 330, 300},
    {K::battery, u"battery", u"Battery", u"Power at a glance", u"battery.75percent", 310, 190},
    {K::system, u"system", u"System Status", u"Battery, memory and storage",
        u"gauge.with.dots.needle.67percent", 330, 270},
    {K::calculator, u"calculator", u"Calculator", u"Quick everyday calculations",
        u"plus.forwardslash.minus", 300, 410},
    {K::worldClock, u"worldClock", u"World Clock", u"Time across four cities", u"globe", 340, 290},
    {K::stopwatch, u"stopwatch", u"Stopwatch", u"Time anything instantly", u"stopwatch", 310, 225},
    {K::converter, u"converter", u"Unit Converter", u"Convert common measurements",
        u"arrow.left.arrow.right", 330, 250},
    {K::clipboard, u"clipboard", u"Clipboard", u"See your latest copied text", u"clipboard", 330,
        240},
    {K::pomodoro, u"pomodoro", u"Focus Timer", u"A simple 25-minute focus session", u"timer", 310,
        230},
    {K::countdown, u"countdown", u"Countdown", u"Days until your next moment", u"hourglass", 340,
        280},
    {K::quickLinks, u"quickLinks", u"Quick Links", u"Fast access to favourite places",
        u"square.grid.2x2.fill", 330, 230},
    {K::yearProgress, u"yearProgress", u"Year Progress", u"See how the year is unfolding",
        u"chart.bar.fill", 320, 210},
    {K::quote, u"quote", u"Daily Quote", u"A little daily inspiration", u"quote.opening", 340, 230},
    {K::dice, u"dice", u"Dice", u"Roll a pair of dice", u"dice.fill", 250, 205},
}};

constexpr bool tableMatchesEnumOrder()
{
    for (int i = 0; i < WidgetKinds::count; ++i) {
        if (static_cast<int>(kTable[i].kind) != i)
            return false;
    }
    return true;
}
static_assert(tableMatchesEnumOrder());

const KindInfo &info(DashboardWidgetKind kind)
{
    return kTable[static_cast<std::size_t>(kind)];
}

} // namespace

namespace WidgetKinds {

const std::array<DashboardWidgetKind, count> &allCases()
{
    static const auto cases = [] {
        std::array<DashboardWidgetKind, count> all {};
        for (int i = 0; i < count; ++i)
            all[i] = kTable[i].kind;
        return all;
    }();
    return cases;
}

const std::array<DashboardWidgetKind, count - 1> &galleryCases()
{
    static const auto cases = [] {
        std::array<DashboardWidgetKind, count - 1> offered {};
        std::size_t n = 0;
        for (const KindInfo &k : kTable) {
            if (k.kind != DashboardWidgetKind::pomodoro)
                offered[n++] = k.kind;
        }
        return offered;
    }();
    return cases;
}

std::optional<DashboardWidgetKind> fromRawIdentifier(QStringView raw)
{
    for (const KindInfo &k : kTable) {
        if (raw == QStringView(k.raw))
            return k.kind;
    }
    return std::nullopt;
}

QString rawIdentifier(DashboardWidgetKind kind)
{
    return QString::fromUtf16(info(kind).raw);
}

QString title(DashboardWidgetKind kind)
{
    return QString::fromUtf16(info(kind).title);
}

QString subtitle(DashboardWidgetKind kind)
{
    return QString::fromUtf16(info(kind).subtitle);
}

QString symbol(DashboardWidgetKind kind)
{
    return QString::fromUtf16(info(kind).symbol);
}

QSizeF cardSize(DashboardWidgetKind kind)
{
    return {info(kind).width, info(kind).height};
}

} // namespace WidgetKinds
