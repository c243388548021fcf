#include "spring.h"

#include <cmath>
#include <numbers>

double Spring::value(double t) const
{
    if (t <= 0)
        return 0;
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = dampingFraction;
    if (zeta >= 1) {
        // Critically damped.
        return 1 - std::exp(-omega * t) * (1 + omega * t);
    }
    const double omegaD = omega * std::sqrt(1 - zeta * zeta);
    const double envelope = std::exp(-zeta * omega * t);
    return 1 - envelope * (std::cos(omegaD * t) + zeta * omega / omegaD * std::sin(omegaD * t));
}

double Spring::settlingTime(double tolerance) const
{
    // Walk forward in small steps until the spring stays inside the tolerance band; the
    // envelope bounds the oscillation, so once it is inside it never leaves.
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = std::min(dampingFraction, 1.0);
    const double slack = zeta < 1 ? 1 / std::sqrt(1 - zeta * zeta) : 1 + 10.0;
    double t = 0;
    while (t < 10) {
        t += 0.001;
        if (std::exp(-zeta * omega * t) * slack * (1 + omega * t * (zeta >= 1)) < tolerance)
            return t;
    }
    return t;
}

SpringAnimation::SpringAnimation(Spring spring, QObject *parent)
    : QAbstractAnimation(parent)
    , m_spring(spring)
    , m_duration(int(std::ceil(spring.settlingTime() * 1000)))
{ }

int SpringAnimation::duration() const
{
    return m_duration;
}

void SpringAnimation::animateTo(double target, bool animated)
{
    stop();
    m_from = m_value;
    m_to = target;
    if (!animated || m_from == m_to) {
        m_value = target;
        Q_EMIT valueChanged(m_value);
        Q_EMIT finished();
        return;
    }
    start();
}

void SpringAnimation::updateCurrentTime(int currentTime)
{
    const double progress = currentTime >= m_duration ? 1.0 : m_spring.value(currentTime / 1000.0);
    m_value = m_from + (m_to - m_from) * progress;
    Q_EMIT valueChanged(m_value);
}
