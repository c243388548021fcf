#pragma once

class QWidget;

// Window-manager hints for an overlay panel that Qt has no API for.
class WindowHints
{
public:
    virtual ~WindowHints() = default;

    // Called once the panel's native window exists and before it is mapped.
    // `translucent` says that the desktop shows through the panel's backdrop.
    virtual void preparePanel(QWidget *panel, bool translucent) = 0;
};

class NullWindowHints final : public WindowHints
{
public:
    void preparePanel(QWidget *, bool) override { }
};
