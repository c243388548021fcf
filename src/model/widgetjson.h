#pragma once

#include "dashboardwidget.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QList>
#include <optional>

// The stored form of an arrangement: a compact JSON array of widget objects, keys in
// field order, absent optionals left out, dates as seconds since 2001.
namespace WidgetJson {

// Fails only on a value JSON cannot hold (a non-finite number).
std::optional<QByteArray> encodeArrangement(const QList<DashboardWidget> &widgets);
// Strict: one object that does not decode fails the whole array.
std::optional<QList<DashboardWidget>> decodeArrangement(QByteArrayView bytes);

std::optional<DashboardWidget> decodeWidget(const QJsonObject &object);
// The upper-case 8-4-4-4-12 form; anything else (braces, wrong length) is rejected.
std::optional<QUuid> parseUuid(QStringView text);
QString uuidText(const QUuid &id);

} // namespace WidgetJson
