#pragma once

#include <QList>
#include <QSizeF>
#include <QWidget>
#include <optional>

class Backdrop;
class DashboardStore;
class GalleryTile;
class QScrollArea;
class QVBoxLayout;
class ToolbarButtonStyle;

// The sheet from which widgets are added: a resize handle, the header with "Done" and an
// adaptive grid of one tile per addable kind. Its height belongs to the canvas: the sheet
// asks for a new one through heightRequested() and is told it with setHeight().
class WidgetGallery : public QWidget
{
    Q_OBJECT

public:
    WidgetGallery(DashboardStore &store, QWidget *parent = nullptr);

    void setCanvasSize(QSizeF size) { m_canvasSize = size; }
    void setBackdrop(const Backdrop *backdrop);

    void setHeight(qreal height, qreal maximumHeight);
    bool isExpanded() const { return m_height >= expandedThreshold; }

    // The resize gesture, driven by the handle; `translation` is the vertical drag offset
    // (negative upwards).
    void resizeChanged(qreal translation);
    void resizeEnded();

    QList<GalleryTile *> tiles() const { return m_tiles; }
    ToolbarButtonStyle *doneButton() const { return m_done; }
    QWidget *resizeHandle() const { return m_handle; }
    QWidget *subtitle() const { return m_subtitle; }
    QWidget *tileArea() const;

    static constexpr qreal collapsedHeight = 34;
    static constexpr qreal expandedThreshold = 95;
    static constexpr qreal cornerRadius = 26;
    // The least of the tile grid worth showing: half a row, so it reads as a list.
    static constexpr int minimumTileArea = 38;

Q_SIGNALS:
    void heightRequested(qreal height);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void updateExpanded();

    DashboardStore &m_store;
    QSizeF m_canvasSize;
    const Backdrop *m_backdrop = nullptr;
    qreal m_height = 500;
    qreal m_maximumHeight = 560;
    std::optional<qreal> m_dragStartHeight;
    QVBoxLayout *m_stack;
    QWidget *m_handle;
    QWidget *m_header;
    QWidget *m_title;
    QWidget *m_subtitle;
    QScrollArea *m_scroll;
    ToolbarButtonStyle *m_done;
    QList<GalleryTile *> m_tiles;
};
