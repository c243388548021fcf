#pragma once

#include "globalhotkey.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <cstdint>

// Decides which presses of a held key count. X11 auto-repeat sends release+press pairs
// with one server time, or, with detectable auto-repeat, presses without releases.
class KeyRepeatFilter
{
public:
    // True when this press is a real one.
    bool press(uint32_t time);
    void release(uint32_t time);

private:
    bool m_down = false;
    bool m_released = false;
    uint32_t m_lastRelease = 0;
};

// Grabs F12 on the root window of Qt's own X connection, with and without the Lock and
// NumLock modifiers so that neither state loses presses.
class X11HotKey final
    : public GlobalHotKey
    , public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit X11HotKey(QObject *parent = nullptr);
    ~X11HotKey() override;

    std::optional<QString> grab() override;
    void release() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    uint8_t m_keycode = 0;
    uint32_t m_root = 0;
    QList<uint16_t> m_grabbed;
    KeyRepeatFilter m_repeat;
};
