#pragma once

#include "dashboardwidgetkind.h"

#include <QAbstractButton>

// One addable kind in the gallery: its symbol on a tinted square, title and description.
class GalleryTile : public QAbstractButton
{
    Q_OBJECT

public:
    explicit GalleryTile(DashboardWidgetKind kind, QWidget *parent = nullptr);

    DashboardWidgetKind kind() const { return m_kind; }

    // The subtitle as drawn: at most two lines, the second shortened with an ellipsis.
    QStringList subtitleLines() const;
    // Where the title and subtitle are drawn, centred beside the symbol.
    QRectF textFrame() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int minimumHeight = 76;
    static constexpr int minimumWidth = 180;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    DashboardWidgetKind m_kind;
};
