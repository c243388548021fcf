#pragma once

#include "linkopener.h"

#include <QList>
#include <QString>

struct QuickLink
{
    QString title;
    QString symbol;
    LinkTarget target;
};

// The quick links in grid order. A folder the platform does not name is left out, since
// such a link could never open.
QList<QuickLink> quickLinks(const LinkPlaces &places);
