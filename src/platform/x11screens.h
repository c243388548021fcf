#pragma once

#include "qtscreens.h"

#include <QAbstractNativeEventFilter>
#include <QHash>

// The monitors as the X server has them now (RandR 1.5), read at each call. Qt's own
// screens lag behind a change of the layout and may keep a monitor's old geometry under its
// name, so panels placed by them would land on the wrong monitor. Each monitor carries Qt's
// screen of the same name where there is one. Falls back to Qt's list without RandR 1.5.
class X11Screens final
    : public Screens
    , public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit X11Screens(QObject *parent = nullptr);
    ~X11Screens() override;

    QList<ScreenInfo> screens() const override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    void announce();

    QtScreens m_qt;
    int m_randrEvent = -1;
    unsigned long m_root = 0;
    bool m_announcing = false;
    mutable QHash<unsigned long, QString> m_names;
};
