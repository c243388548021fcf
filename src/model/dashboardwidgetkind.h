#pragma once

#include <QSizeF>
#include <QString>
#include <QStringView>
#include <array>
#include <optional>

// The kinds of card a dashboard can hold, in gallery order. `pomodoro` is retired:
// it still decodes, but it is never offered and is dropped when an arrangement loads.
enum class DashboardWidgetKind {
    clock,
    calendar,
    notes,
    battery,
    system,
    calculator,
    worldClock,
    stopwatch,
    converter,
    clipboard,
    pomodoro,
    countdown,
    quickLinks,
    yearProgress,
    quote,
    dice,
};

namespace WidgetKinds {

inline constexpr int count = int(DashboardWidgetKind::dice) + 1;
static_assert(count == 16, "a new kind needs its identifier, title, symbol and size");

const std::array<DashboardWidgetKind, count> &allCases();
// Every kind the gallery offers: all but the retired one.
const std::array<DashboardWidgetKind, count - 1> &galleryCases();

// Exact, case-sensitive match against the stored identifiers.
std::optional<DashboardWidgetKind> fromRawIdentifier(QStringView raw);
QString rawIdentifier(DashboardWidgetKind kind);
QString title(DashboardWidgetKind kind);
QString subtitle(DashboardWidgetKind kind);
// Symbol name in the platform-neutral naming the theme maps to icons.
QString symbol(DashboardWidgetKind kind);
// Card size in device-independent pixels; the canvas and the store both read it.
QSizeF cardSize(DashboardWidgetKind kind);

} // namespace WidgetKinds
