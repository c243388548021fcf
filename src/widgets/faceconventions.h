#pragma once

#include "theme.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QString>
#include <QWidget>
#include <chrono>
#include <functional>

class QLabel;
class QObject;
class QTimer;

// What every face shares: the text roles and the two refresh mechanisms.
namespace Face {

// The eyebrow of a header title: 11 pt bold rounded, tracking 1.2. Draw it in secondary.
QFont eyebrowFont();
// A big figure: rounded design at the face's size and weight. Show it with DigitLabel so
// the digits are monospaced.
QFont bigFigureFont(qreal points, QFont::Weight weight = QFont::Normal);

// A label in a font and colour, transparent to the card behind it.
QLabel *label(const QString &text, const QFont &font, const QColor &color = Theme::primaryText(),
    QWidget *parent = nullptr);
// A supporting line: caption font, secondary colour, wrapping off.
QLabel *supportingLabel(const QString &text, QWidget *parent = nullptr);
// Applies a font and colour to an existing label.
void style(QLabel *label, const QFont &font, const QColor &color);

// `fraction` (0.75) as a percentage in the user's locale ("75%", de_DE "75 %") with
// exactly `fractionDigits` digits after the separator.
QString percent(double fraction, int fractionDigits);
// The same in a given ICU locale name ("de_DE"), for tests.
QString percent(double fraction, int fractionDigits, const char *localeName);

// A periodic timeline: calls `tick` with the current time at once (the build moment) and
// then every `interval`, until `owner` is destroyed. The timer is a child of `owner`, so a
// face that goes away takes its timeline with it.
QTimer *startTimeline(QObject *owner, std::chrono::milliseconds interval,
    std::function<void(const QDateTime &now)> tick);

// A polling task: runs `poll` at once, then again `interval` after each run, until `owner`
// is destroyed. A poll never runs after its owner has gone.
QTimer *startPolling(
    QObject *owner, std::chrono::milliseconds interval, std::function<void()> poll);

// The dimmed rounded field that editable and scrolling text sits on (black 0.12, radius 12).
class DimmedField : public QWidget
{
public:
    explicit DimmedField(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace Face
