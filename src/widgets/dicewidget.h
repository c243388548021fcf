#pragma once

#include "facewidget.h"

class SymbolView;
class ToolbarButtonStyle;

// Two dice, rolled on request. The values live only while the face is shown.
class DiceWidget : public FaceWidget
{
    Q_OBJECT

public:
    explicit DiceWidget(QWidget *parent = nullptr);

    void roll();

    int first() const { return m_first; }
    int second() const { return m_second; }

    static QString symbolName(int value);

private:
    void showValues();

    int m_first = 3;
    int m_second = 5;
    SymbolView *m_firstDie;
    SymbolView *m_secondDie;
};
