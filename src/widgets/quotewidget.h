#pragma once

#include "dailyfigures.h"
#include "facewidget.h"
#include "instant.h"

class QLabel;
class WrappedText;

// One quotation a day from a fixed list, chosen by the day's ordinal in the year.
class QuoteWidget : public FaceWidget
{
    Q_OBJECT

public:
    explicit QuoteWidget(QWidget *parent = nullptr);

    // One timeline tick, in the user's current calendar.
    void tick(Instant at);

    QString quoteText() const;
    QString authorText() const;

private:
    WrappedText *m_quote;
    QLabel *m_author;
};
