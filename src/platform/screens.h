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

// The screens Qt knows about.
class QtScreens final : public Screens
{
    Q_OBJECT

public:
    explicit QtScreens(QObject *parent = nullptr);

    // The connector name ("DP-1"), else the model, so a display keeps its arrangement.
    // XWayland numbers its outputs anew each time one comes back (XWAYLAND1, then
    // XWAYLAND2), so there the display's model and serial name it, else its place.
    static QString displayIdentifier(const QScreen *screen);
    static QString displayIdentifier(
        const QString &name, const QString &model, const QString &serial, const QRect &geometry);

    QList<ScreenInfo> screens() const override;

private:
    void watch(QScreen *screen);
};
