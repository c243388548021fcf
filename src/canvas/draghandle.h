#pragma once

#include <QPoint>
#include <QWidget>

// The grip at the top of a card: a small capsule in a 90 x 24 hit area. Reports a drag
// once the pointer has moved 3 points from the press, then every move, then the end.
class DragHandle : public QWidget
{
    Q_OBJECT

public:
    explicit DragHandle(QWidget *parent = nullptr);

    bool isDragging() const { return m_dragging; }

    static constexpr QSize hitSize {90, 24};
    static constexpr QSize capsuleSize {36, 4};
    static constexpr qreal minimumDistance = 3;

Q_SIGNALS:
    // The first move beyond the threshold; `translation` is from the press point.
    void dragStarted();
    void dragChanged(QPointF translation);
    void dragEnded(QPointF translation);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QPointF m_pressGlobal;
    bool m_pressed = false;
    bool m_dragging = false;
};
