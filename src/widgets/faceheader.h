#pragma once

#include <QColor>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class SymbolView;

// The row at the top of a face: the tinted symbol, the title in the eyebrow style, then a
// stretch. Widgets added with addTrailing() sit after the stretch, at the trailing edge.
class FaceHeader : public QWidget
{
    Q_OBJECT

public:
    FaceHeader(
        const QString &symbol, const QColor &tint, const QString &title, QWidget *parent = nullptr);

    void addTrailing(QWidget *widget);

    QLabel *titleLabel() const { return m_title; }

    // The symbol's size in the header, and the spacing between the row's items.
    static constexpr int symbolSize = 14;
    static constexpr int spacing = 8;

private:
    QHBoxLayout *m_row;
    SymbolView *m_symbol;
    QLabel *m_title;
};
