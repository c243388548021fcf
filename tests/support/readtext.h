#pragma once

#include "pasteboard.h"

#include <QTest>

// What the pasteboard reads, waiting for it through the event loop; a read that never
// answers gives a text that no test expects.
inline std::optional<QString> readTextOf(Pasteboard &pasteboard)
{
    std::optional<std::optional<QString>> result;
    QObject context;
    pasteboard.readText(&context, [&](std::optional<QString> text) { result = std::move(text); });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 10000))
        return QStringLiteral("(no answer)");
    return *result;
}
