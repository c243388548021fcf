#pragma once

#include "dashboardwidgetkind.h"

#include <QList>

// The faces that show facts rather than edit state, with their object names.
struct InformationFace
{
    DashboardWidgetKind kind;
    const char *objectName;
};

inline const QList<InformationFace> informationFaces = {
    {DashboardWidgetKind::clock, "clockFace"},
    {DashboardWidgetKind::worldClock, "worldClockFace"},
    {DashboardWidgetKind::system, "systemFace"},
    {DashboardWidgetKind::battery, "batteryFace"},
    {DashboardWidgetKind::clipboard, "clipboardFace"},
    {DashboardWidgetKind::quickLinks, "quickLinksFace"},
    {DashboardWidgetKind::yearProgress, "yearProgressFace"},
    {DashboardWidgetKind::quote, "quoteFace"},
    {DashboardWidgetKind::dice, "diceFace"},
};
