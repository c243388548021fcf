#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QScreen>
#include <QString>

// One screen as the overlay needs it. `screen` is null for screens made up by tests.
struct ScreenInfo
{
    QString identifier;
    QRect geometry;
    bool isPrimary = false;
    QPointer<QScreen> screen;

    bool operator==(const ScreenInfo &other) const
    {
        return identifier == other.identifier && geometry == other.geometry
            && isPrimary == other.isPrimary && screen == other.screen;
    }
};

// The connected screens, in the system's order.
class Screens : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QList<ScreenInfo> screens() const = 0;

Q_SIGNALS:
    // A screen came or went, or one changed its geometry or primary role.
    void changed();
};
