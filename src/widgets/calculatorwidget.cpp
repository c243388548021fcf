#include "calculatorwidget.h"

#include "dashboardstore.h"
#include "digitlabel.h"
#include "facebindings.h"
#include "faceconventions.h"
#include "roundedfill.h"
#include "shapedtext.h"
#include "theme.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kColumns = 4;
constexpr int kRowSpacing = 8;
constexpr int kColumnSpacing = 8;
constexpr qreal kKeyRadius = 10;
constexpr int kDisplayPadding = 6;
constexpr std::chrono::milliseconds kKeyFlash {120};

// The keypad key for a physical key, or an empty text. Backspace has no keypad key.
QString keypadKey(const QKeyEvent &event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)
        return QStringLiteral("=");
    const QString text = event.text();
    if (text.size() != 1)
        return {};
    const QChar c = text.front();
    if (c >= u'0' && c <= u'9')
        return text;
    switch (c.unicode()) {
    case u'.':
    case u'+':
    case u'%':
    case u'=':
        return text;
    case u'-':
        return QStringLiteral("\u2212");
    case u'*':
        return QStringLiteral("\u00D7");
    case u'/':
        return QStringLiteral("\u00F7");
    default:
        return {};
    }
}

} // namespace

const QStringList CalculatorWidget::keys = {
    QStringLiteral("C"),
    QStringLiteral("\u00B1"),
    QStringLiteral("%"),
    QStringLiteral("\u00F7"),
    QStringLiteral("7"),
    QStringLiteral("8"),
    QStringLiteral("9"),
    QStringLiteral("\u00D7"),
    QStringLiteral("4"),
    QStringLiteral("5"),
    QStringLiteral("6"),
    QStringLiteral("\u2212"),
    QStringLiteral("1"),
    QStringLiteral("2"),
    QStringLiteral("3"),
    QStringLiteral("+"),
    QStringLiteral("0"),
    QStringLiteral("."),
    QStringLiteral("="),
};

CalculatorKey::CalculatorKey(const QString &label, QWidget *parent)
    : QAbstractButton(parent)
{
    setText(label);
    setObjectName(QStringLiteral("key ") + label);
    setAccessibleName(label);
    setFocusPolicy(Qt::NoFocus);
    setFont(Theme::font(17, QFont::DemiBold));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor CalculatorKey::fill() const
{
    const bool numeric = !text().isEmpty() && text().front().isNumber();
    return numeric ? Theme::white(0.09) : Theme::withOpacity(Theme::orange(), 0.72);
}

QSize CalculatorKey::sizeHint() const
{
    return QSize(48, minimumHeight);
}

QSize CalculatorKey::minimumSizeHint() const
{
    return QSize(10, minimumHeight);
}

void CalculatorKey::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A plain button dims while held; there is no other chrome.
    if (isDown())
        painter.setOpacity(0.6);
    fillRoundedRect(painter, QRectF(rect()), kKeyRadius, fill());
    painter.setPen(Theme::primaryText());
    painter.setFont(font());
    ShapedText::draw(painter, rect(), Qt::AlignCenter, text());
}

CalculatorWidget::CalculatorWidget(DashboardStore *store, const QUuid &id, QWidget *parent)
    : FaceWidget(10, parent)
    , m_store(store)
    , m_id(id)
    , m_display(new DigitLabel(
          QStringLiteral("0"), Face::bigFigureFont(38, QFont::Medium), Theme::primaryText()))
{
    setObjectName(QStringLiteral("calculatorFace"));
    // A click anywhere on the card, keys included, gives the calculator the keyboard.
    setFocusPolicy(Qt::ClickFocus);
    addHeader(
        QStringLiteral("plus.forwardslash.minus"), Theme::orange(), QStringLiteral("CALCULATOR"));

    auto *displayRow = new QWidget(this);
    auto *displayLayout = new QVBoxLayout(displayRow);
    displayLayout->setContentsMargins(0, kDisplayPadding, 0, kDisplayPadding);
    m_display->setParent(displayRow);
    m_display->setObjectName(QStringLiteral("display"));
    m_display->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_display->setMinimumScale(0.5);
    m_display->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    displayLayout->addWidget(m_display);
    addRow(displayRow);

    auto *keypad = new QWidget(this);
    keypad->setObjectName(QStringLiteral("keypad"));
    auto *grid = new QGridLayout(keypad);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(kColumnSpacing);
    grid->setVerticalSpacing(kRowSpacing);
    for (int i = 0; i < keys.size(); ++i) {
        auto *key = new CalculatorKey(keys[i], keypad);
        const QString label = keys[i];
        connect(key, &QAbstractButton::clicked, this, [this, label] { press(label); });
        grid->addWidget(key, i / kColumns, i % kColumns);
    }
    for (int column = 0; column < kColumns; ++column)
        grid->setColumnStretch(column, 1);
    addRow(keypad);

    connect(m_store, &DashboardStore::widgetsChanged, this, &CalculatorWidget::refresh);
    refresh();
    watchCard();
}

void CalculatorWidget::press(const QString &key)
{
    FaceBindings::pressCalculatorKey(*m_store, m_id, key);
}

QString CalculatorWidget::displayText() const
{
    return m_display->text();
}

void CalculatorWidget::refresh()
{
    m_display->setText(FaceBindings::calculator(*m_store, m_id).display);
}

void CalculatorWidget::keyPressEvent(QKeyEvent *event)
{
    const QString key = keypadKey(*event);
    if (key.isEmpty()) {
        // Esc and everything else belong to the overlay.
        FaceWidget::keyPressEvent(event);
        return;
    }
    press(key);
    // Show which keypad key the keyboard pressed, as a brief held state.
    if (auto *button = findChild<CalculatorKey *>(QStringLiteral("key ") + key)) {
        button->setDown(true);
        QTimer::singleShot(kKeyFlash, button, [button] { button->setDown(false); });
    }
    event->accept();
}

bool CalculatorWidget::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange)
        watchCard();
    return FaceWidget::event(event);
}

void CalculatorWidget::watchCard()
{
    // The card's padding around the face is not ours; watch it for clicks as well.
    if (m_watchedCard)
        m_watchedCard->removeEventFilter(this);
    m_watchedCard = parentWidget();
    if (m_watchedCard)
        m_watchedCard->installEventFilter(this);
}

bool CalculatorWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watchedCard && event->type() == QEvent::MouseButtonPress)
        setFocus(Qt::MouseFocusReason);
    return FaceWidget::eventFilter(watched, event);
}
