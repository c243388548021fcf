#include "quicklinkswidget.h"

#include "roundedfill.h"
#include "shapedtext.h"
#include "symbols.h"
#include "theme.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>

namespace {

constexpr int cellPadding = 10;
constexpr int symbolTitleSpacing = 7;
constexpr int rowSpacing = 10;
constexpr int columnSpacing = 8;
constexpr qreal cellRadius = 12;

// One link: its symbol above its title on a faint rounded fill.
class LinkCell : public QAbstractButton
{
public:
    LinkCell(const QuickLink &link, QWidget *parent)
        : QAbstractButton(parent)
        , m_symbol(link.symbol)
    {
        setText(link.title);
        setObjectName(QStringLiteral("link_") + link.title);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setMinimumWidth(10);
    }

    QSize sizeHint() const override
    {
        const QFontMetricsF caption(captionFont());
        const qreal height
            = cellPadding + symbolSize() + symbolTitleSpacing + caption.height() + cellPadding;
        return QSize(qCeil(caption.horizontalAdvance(text())) + 2 * cellPadding, qCeil(height));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        fillRoundedRect(painter, QRectF(rect()), cellRadius, Theme::white(isDown() ? 0.14 : 0.08));

        const int size = symbolSize();
        const QPixmap symbol
            = Symbols::pixmap(m_symbol, size, Theme::primaryText(), devicePixelRatioF());
        painter.drawPixmap(QPoint((width() - size) / 2, cellPadding), symbol);

        painter.setFont(captionFont());
        painter.setPen(Theme::primaryText());
        const QRectF title(0, cellPadding + size + symbolTitleSpacing, width(),
            QFontMetricsF(captionFont()).height());
        ShapedText::draw(
            painter, title, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, text());
    }

private:
    static QFont captionFont() { return Theme::textStyle(Theme::TextStyle::caption); }
    static int symbolSize() { return qRound(Theme::textStyleSize(Theme::TextStyle::title2)); }

    QString m_symbol;
};

} // namespace

QuickLinksWidget::QuickLinksWidget(
    std::function<void()> close, LinkOpener *opener, const LinkPlaces &places, QWidget *parent)
    : FaceWidget(13, parent)
    , m_close(std::move(close))
    , m_opener(opener)
    , m_links(quickLinks(places))
{
    setObjectName(QStringLiteral("quickLinksFace"));
    addHeader(QStringLiteral("sparkles"), Theme::cyan(), QStringLiteral("QUICK LINKS"));

    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(columnSpacing);
    grid->setVerticalSpacing(rowSpacing);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    for (qsizetype i = 0; i < m_links.size(); ++i) {
        auto *cell = new LinkCell(m_links[i], this);
        const QuickLink link = m_links[i];
        connect(cell, &QAbstractButton::clicked, this, [this, link] { press(link); });
        grid->addWidget(cell, int(i / 2), int(i % 2));
    }
    addRow(grid);
}

void QuickLinksWidget::press(const QuickLink &link)
{
    if (!m_opener) {
        m_failedLink = link.title;
        showAlert();
        return;
    }
    m_opener->open(link.target, [face = QPointer(this), title = link.title](bool opened) {
        if (!face)
            return;
        if (opened) {
            if (face->m_close)
                face->m_close();
            return;
        }
        face->m_failedLink = title;
        face->showAlert();
    });
}

QString QuickLinksWidget::alertMessage(const std::optional<QString> &failedLink)
{
    return QStringLiteral("Could not open ") + failedLink.value_or(QStringLiteral("this location"))
        + QLatin1Char('.');
}

void QuickLinksWidget::showAlert()
{
    // Window-modal and not exec(): the overlay keeps running its timers behind the alert.
    auto *alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Unable to open link"),
        alertMessage(m_failedLink), QMessageBox::Ok, this);
    alert->setObjectName(QStringLiteral("linkAlert"));
    alert->setText(QStringLiteral("Unable to open link"));
    alert->setInformativeText(alertMessage(m_failedLink));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->setWindowModality(Qt::WindowModal);
    // OK and every other way of dismissing it clear the failure.
    connect(alert, &QMessageBox::finished, this, [this] { m_failedLink.reset(); });
    alert->open();
}
