#pragma once

#include <QAbstractAnimation>

// A critically- or under-damped spring from 0 to 1, described as the toolkit's springs
// are: `response` is the period of the undamped oscillation in seconds and
// `dampingFraction` the ratio to critical damping.
struct Spring
{
    double response = 0.3;
    double dampingFraction = 0.85;

    // Position at time t seconds after release from 0 with no initial velocity.
    double value(double t) const;
    // Time after which the spring stays within `tolerance` of its target.
    double settlingTime(double tolerance = 0.001) const;
};

// Drives a value towards a target along a Spring; a new target mid-flight starts from the
// current value. Emits valueChanged on every frame and finished at rest.
class SpringAnimation : public QAbstractAnimation
{
    Q_OBJECT

public:
    explicit SpringAnimation(Spring spring, QObject *parent = nullptr);

    double value() const { return m_value; }
    double target() const { return m_to; }
    // Animates to `target`, or jumps there when `animated` is false.
    void animateTo(double target, bool animated = true);

    int duration() const override;

Q_SIGNALS:
    void valueChanged(double value);

protected:
    void updateCurrentTime(int currentTime) override;

private:
    Spring m_spring;
    double m_from = 0;
    double m_to = 0;
    double m_value = 0;
    int m_duration;
};
