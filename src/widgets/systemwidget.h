#pragma once

#include "facewidget.h"
#include "systemmetrics.h"

#include <optional>

class MetricRow;

// Memory in use, storage available and, on machines with one, the battery charge.
// Polled every five seconds while shown; nothing is kept between showings.
class SystemWidget : public FaceWidget
{
    Q_OBJECT

public:
    explicit SystemWidget(QWidget *parent = nullptr)
        : SystemWidget(MachineSources(), parent)
    { }
    SystemWidget(MachineSources sources, QWidget *parent = nullptr);

    // Re-reads all three figures.
    void refresh();

    double freeDisk() const { return m_freeDisk; }
    double memory() const { return m_memory; }
    std::optional<double> battery() const { return m_battery; }

private:
    MachineSources m_sources;
    double m_freeDisk = 0;
    double m_memory = 0;
    std::optional<double> m_battery;
    MetricRow *m_memoryRow;
    MetricRow *m_storageRow;
    MetricRow *m_batteryRow;
};
