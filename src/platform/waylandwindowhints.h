#pragma once

#include "windowhints.h"

#include <memory>

// Panels as layer surfaces where the compositor has them (see LayerShell), and on KWin a
// blur of what shows through a translucent panel.
class WaylandWindowHints final : public WindowHints
{
public:
    WaylandWindowHints();
    ~WaylandWindowHints() override;
    void preparePanel(QWidget *panel, bool translucent) override;

private:
    class BlurManager;
    class BlurRequest;
    std::unique_ptr<BlurManager> m_blur;
};
