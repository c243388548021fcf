#include "quicklinks.h"

QList<QuickLink> quickLinks(const LinkPlaces &places)
{
    using Kind = LinkTarget::Kind;
    QList<QuickLink> links;
    links.append({QStringLiteral("Applications"), QStringLiteral("square.grid.2x2"),
        {Kind::folder, places.applications}});
    if (places.downloads)
        links.append({QStringLiteral("Downloads"), QStringLiteral("arrow.down.circle"),
            {Kind::folder, *places.downloads}});
    if (places.documents)
        links.append({QStringLiteral("Documents"), QStringLiteral("doc"),
            {Kind::folder, *places.documents}});
    links.append({QStringLiteral("Settings"), QStringLiteral("gearshape"),
        {Kind::program, places.settingsProgram}});
    return links;
}
