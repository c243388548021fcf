#pragma once

#include "facewidget.h"
#include "systemmetrics.h"

#include <optional>

class DigitLabel;
class FaceProgressBar;
class QLabel;

// The battery charge, large, with a bar that turns red below a fifth; on machines without
// a battery, a note saying so. Read again every thirty seconds.
class BatteryWidget : public FaceWidget
{
    Q_OBJECT

public:
    explicit BatteryWidget(QWidget *parent = nullptr)
        : BatteryWidget(QString(), parent)
    { }
    // `powerSupplyRoot` empty means the system's own.
    explicit BatteryWidget(const QString &powerSupplyRoot, QWidget *parent = nullptr);

    // One timeline tick: reads the charge once and shows it.
    void tick();

    std::optional<double> charge() const { return m_charge; }

private:
    QString m_root;
    std::optional<double> m_charge;
    QWidget *m_chargeRow;
    DigitLabel *m_percent;
    FaceProgressBar *m_bar;
    QLabel *m_desktopTitle;
    QLabel *m_desktopNote;
};
