#include "quotewidget.h"

#include "faceconventions.h"
#include "icu.h"
#include "theme.h"
#include "wrappedtext.h"

#include <QLabel>

using namespace std::chrono_literals;

QuoteWidget::QuoteWidget(QWidget *parent)
    : FaceWidget(12, parent)
    , m_quote(new WrappedText(
          Theme::font(19, QFont::Medium, Theme::FontDesign::serif), Theme::primaryText(), 3, this))
    , m_author(Face::supportingLabel(QString(), this))
{
    setObjectName(QStringLiteral("quoteFace"));
    addHeader(QStringLiteral("quote.opening"), Theme::yellow(), QStringLiteral("DAILY QUOTE"));
    addStretch();
    m_quote->setObjectName(QStringLiteral("quoteText"));
    addRow(m_quote);
    m_author->setObjectName(QStringLiteral("quoteAuthor"));
    addRow(m_author);

    startTimeline(30s, [this](const QDateTime &now) { tick(Instant::fromDateTime(now)); });
}

void QuoteWidget::tick(Instant at)
{
    const QList<Quote> &quotes = dailyQuotes();
    const std::unique_ptr<icu::Calendar> calendar = Icu::currentCalendar();
    // Without a calendar the day counts as the first of the year.
    const int index
        = calendar ? quoteIndex(at, *calendar, int(quotes.size())) : 1 % int(quotes.size());
    const Quote &quote = quotes.at(index);
    m_quote->setText(QChar(0x201C) + quote.text + QChar(0x201D));
    m_author->setText(QChar(0x2014) + QLatin1Char(' ') + quote.author);
}

QString QuoteWidget::quoteText() const
{
    return m_quote->text();
}

QString QuoteWidget::authorText() const
{
    return m_author->text();
}
