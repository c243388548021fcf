#include "dicewidget.h"

#include "dailyfigures.h"
#include "symbolview.h"
#include "theme.h"
#include "toolbarbuttonstyle.h"

#include <QHBoxLayout>

namespace {

constexpr int dieSize = 38;

} // namespace

DiceWidget::DiceWidget(QWidget *parent)
    : FaceWidget(10, parent)
    , m_firstDie(new SymbolView(symbolName(3), dieSize, Theme::primaryText(), this))
    , m_secondDie(new SymbolView(symbolName(5), dieSize, Theme::primaryText(), this))
{
    setObjectName(QStringLiteral("diceFace"));
    addHeader(QStringLiteral("dice.fill"), Theme::red(), QStringLiteral("DICE"));
    addStretch();

    m_firstDie->setObjectName(QStringLiteral("firstDie"));
    m_secondDie->setObjectName(QStringLiteral("secondDie"));
    auto *dice = new QHBoxLayout;
    dice->setContentsMargins(0, 0, 0, 0);
    dice->setSpacing(20);
    dice->addStretch(1);
    dice->addWidget(m_firstDie, 0, Qt::AlignVCenter);
    dice->addWidget(m_secondDie, 0, Qt::AlignVCenter);
    dice->addStretch(1);
    addRow(dice);

    auto *rollButton = new ToolbarButtonStyle(QStringLiteral("Roll"), true, this);
    rollButton->setObjectName(QStringLiteral("rollButton"));
    rollButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(rollButton, &QAbstractButton::clicked, this, &DiceWidget::roll);
    addRow(rollButton);
}

void DiceWidget::roll()
{
    m_first = rollDie();
    m_second = rollDie();
    showValues();
}

void DiceWidget::showValues()
{
    m_firstDie->setSymbol(symbolName(m_first));
    m_secondDie->setSymbol(symbolName(m_second));
}

QString DiceWidget::symbolName(int value)
{
    return QStringLiteral("die.face.") + QString::number(value) + QStringLiteral(".fill");
}
