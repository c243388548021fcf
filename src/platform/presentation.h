#pragma once

#include <QFlags>

// What the desktop shows around the overlay. The controller saves the options before
// showing, asks for docks and panels to be hidden, and restores them on hide.
class Presentation
{
public:
    enum Option {
        // Docks and taskbars stay under the overlay.
        CoverDocks = 1 << 1,
        // Top bars and desktop panels stay under the overlay.
        CoverPanels = 1 << 3,
    };
    Q_DECLARE_FLAGS(Options, Option)

    virtual ~Presentation() = default;

    virtual Options options() const = 0;
    virtual void setOptions(Options options) = 0;
    // Brings the application to the front before a panel takes focus.
    virtual void activateApplication() = 0;
    // Gives focus back to whatever the user had before.
    virtual void hideApplication() = 0;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(Presentation::Options)
