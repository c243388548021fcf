#include "clipboardwidget.h"

#include "faceconventions.h"
#include "faceheader.h"
#include "fieldstyle.h"
#include "pasteboard.h"
#include "symbols.h"
#include "theme.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace std::chrono_literals;

namespace {

const QString nothingCopied = QStringLiteral("Nothing copied yet");
const QString noText = QStringLiteral("No text on the clipboard");

constexpr int areaPadding = 10;

QPlainTextEdit *textArea(QWidget *parent)
{
    auto *area = new QPlainTextEdit(parent);
    area->setObjectName(QStringLiteral("clipboardText"));
    area->setReadOnly(true);
    FieldStyle::takeFocusOnClick(area);
    area->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    area->setFrameShape(QFrame::NoFrame);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    area->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    area->document()->setDocumentMargin(0);
    area->setFont(Theme::font(15, QFont::Normal, Theme::FontDesign::rounded));
    area->viewport()->setAutoFillBackground(false);
    area->setAttribute(Qt::WA_TranslucentBackground);
    // A thin indicator instead of the desktop style's bar with arrows.
    area->setStyleSheet(QStringLiteral(
        "QPlainTextEdit { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 6px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 0.28);"
        " border-radius: 3px; min-height: 24px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    QPalette palette = area->palette();
    palette.setColor(QPalette::Text, Theme::secondaryText());
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Highlight, Theme::withOpacity(Theme::accent(), 0.6));
    palette.setColor(QPalette::HighlightedText, Theme::primaryText());
    area->setPalette(palette);
    return area;
}

} // namespace

ClipboardWidget::ClipboardWidget(Pasteboard *pasteboard, QWidget *parent)
    : FaceWidget(12, parent)
    , m_pasteboard(pasteboard)
    , m_text(nothingCopied)
    , m_area(nullptr)
{
    setObjectName(QStringLiteral("clipboardFace"));
    FaceHeader *header
        = addHeader(QStringLiteral("clipboard"), Theme::mint(), QStringLiteral("CLIPBOARD"));
    auto *refreshButton = new QToolButton(this);
    refreshButton->setObjectName(QStringLiteral("clipboardRefresh"));
    refreshButton->setAutoRaise(true);
    refreshButton->setToolTip(QStringLiteral("Refresh"));
    refreshButton->setCursor(Qt::PointingHandCursor);
    refreshButton->setIcon(
        QIcon(Symbols::pixmap(QStringLiteral("arrow.clockwise"), 14, Theme::primaryText(), 2.0)));
    refreshButton->setIconSize(QSize(14, 14));
    refreshButton->setStyleSheet(
        QStringLiteral("QToolButton { border: none; background: transparent; padding: 0; }"));
    connect(refreshButton, &QToolButton::clicked, this, &ClipboardWidget::refresh);
    header->addTrailing(refreshButton);

    auto *panel = new Face::DimmedField(this);
    auto *panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(areaPadding, areaPadding, areaPadding, areaPadding);
    m_area = textArea(panel);
    panelLayout->addWidget(m_area);
    // The area takes the spare height and never grows the card, however long the text.
    panel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    addFillingRow(panel);
    m_area->setPlainText(m_text);

    if (m_pasteboard)
        startPolling(1s, [this] { poll(); });
}

void ClipboardWidget::poll()
{
    if (m_pasteboard && m_pasteboard->changeCount() != m_changeCount)
        refresh();
}

void ClipboardWidget::refresh()
{
    // A read still on its way answers this one too; the next poll catches a later change.
    if (!m_pasteboard || m_reading)
        return;
    const qint64 count = m_pasteboard->changeCount();
    m_reading = true;
    m_pasteboard->readText(this, [this, count](std::optional<QString> text) {
        m_reading = false;
        m_changeCount = count;
        setText(text.value_or(noText));
    });
}

void ClipboardWidget::setText(const QString &text)
{
    // The same text copied again keeps the reader's place and selection. Keeping the
    // pasteboard's string spares comparing megabytes when it hands the same one back.
    const bool same = (text.size() == m_text.size() && text.constData() == m_text.constData())
        || text == m_text;
    m_text = text;
    if (same)
        return;
    m_area->setPlainText(shownText());
}

QString ClipboardWidget::shownText() const
{
    if (m_text.size() <= shownCharacterLimit)
        return m_text;
    qsizetype end = shownCharacterLimit;
    // Never split a surrogate pair.
    if (m_text.at(end - 1).isHighSurrogate())
        --end;
    return m_text.left(end) + QChar(0x2026);
}
