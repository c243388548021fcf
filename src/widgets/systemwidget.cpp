#include "systemwidget.h"

#include "metricrow.h"
#include "theme.h"

#include <QDir>

using namespace std::chrono_literals;

SystemWidget::SystemWidget(MachineSources sources, QWidget *parent)
    : FaceWidget(15, parent)
    , m_sources(std::move(sources))
    , m_memoryRow(new MetricRow(
          QStringLiteral("memorychip"), QStringLiteral("Memory in use"), Theme::purple(), this))
    , m_storageRow(new MetricRow(QStringLiteral("internaldrive"),
          QStringLiteral("Storage available"), Theme::blue(), this))
    , m_batteryRow(new MetricRow(
          QStringLiteral("battery.75percent"), QStringLiteral("Battery"), Theme::green(), this))
{
    setObjectName(QStringLiteral("systemFace"));
    addHeader(QStringLiteral("laptopcomputer"), Theme::green(), QStringLiteral("THIS COMPUTER"));
    m_memoryRow->setObjectName(QStringLiteral("memoryRow"));
    m_storageRow->setObjectName(QStringLiteral("storageRow"));
    m_batteryRow->setObjectName(QStringLiteral("batteryRow"));
    addRow(m_memoryRow);
    addRow(m_storageRow);
    addRow(m_batteryRow);
    m_batteryRow->setVisible(false);
    addStretch();

    startPolling(5s, [this] { refresh(); });
}

void SystemWidget::refresh()
{
    const QString folder
        = m_sources.storageFolder.isEmpty() ? QDir::homePath() : m_sources.storageFolder;
    // A failed disk query keeps the last figure.
    if (const std::optional<double> free = StorageMetrics::freeFraction(folder))
        m_freeDisk = *free;
    m_memory = SystemMetrics::memoryUsedFraction(m_sources.meminfo).value_or(0);
    m_battery = PowerSource::currentCapacity(m_sources.powerSupplyRoot);

    m_memoryRow->setValue(m_memory);
    m_storageRow->setValue(m_freeDisk);
    if (m_battery)
        m_batteryRow->setValue(*m_battery);
    m_batteryRow->setVisible(m_battery.has_value());
}
