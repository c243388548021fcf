// Saves an arrangement in a tight loop until killed; the crash-safety test kills it.
#include "dashboardstore.h"
#include "filedefaults.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    FileDefaults defaults(QString::fromLocal8Bit(argv[1]));
    DashboardStore store(defaults, QStringLiteral("dashboard.widgets.display.DUMMY-1.v1"), false);
    QList<DashboardWidget> widgets;
    for (int i = 0; i < 20; ++i)
        widgets.append(DashboardWidget::make(DashboardWidgetKind::notes, i, i));
    std::puts("ready");
    std::fflush(stdout);
    for (qint64 round = 0;; ++round) {
        // Vary the size so that a torn write would show as a truncated array.
        widgets[round % 20].note = QString(static_cast<int>(round % 5000), QLatin1Char('x'));
        store.setWidgets(widgets);
    }
}
