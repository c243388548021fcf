#pragma once

#include <QColor>
#include <QDateTime>
#include <QWidget>
#include <chrono>
#include <functional>

class FaceHeader;
class QSpacerItem;
class QTimer;
class QVBoxLayout;

// Base of every face: one vertical stack with a fixed spacing. The stack is centred
// vertically in the card unless a row or stretch takes the spare height. Rows fill the
// width; labels carry their own text alignment (leading, or centred for the calculator).
//
//     auto *face = new FaceWidget(4, parent);
//     face->addHeader(u"clock.fill"_s, Theme::cyan(), u"LOCAL TIME"_s);
//     face->addRow(timeLabel);
//     face->startTimeline(1s, [=](const QDateTime &now) { ... });
class FaceWidget : public QWidget
{
    Q_OBJECT

public:
    explicit FaceWidget(int spacing, QWidget *parent = nullptr);

    FaceHeader *addHeader(const QString &symbol, const QColor &tint, const QString &title);
    // A row of its natural height; `alignment` empty fills the width.
    void addRow(QWidget *row, Qt::Alignment alignment = {});
    void addRow(QLayout *row);
    // A row that takes the spare height (an editor, a grid), by `stretch`.
    void addFillingRow(QWidget *row, int stretch = 1);
    // Flexible empty space; like a filling row it ends the vertical centring.
    void addStretch(int stretch = 1);

    QVBoxLayout *stack() const { return m_stack; }

    // See Face::startTimeline and Face::startPolling; the timer belongs to this face.
    QTimer *startTimeline(
        std::chrono::milliseconds interval, std::function<void(const QDateTime &now)> tick);
    QTimer *startPolling(std::chrono::milliseconds interval, std::function<void()> poll);

private:
    int insertionIndex() const;
    void stopCentring();

    QVBoxLayout *m_stack;
    QSpacerItem *m_top;
    QSpacerItem *m_bottom;
};
