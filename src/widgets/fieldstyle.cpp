#include "fieldstyle.h"

#include "theme.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPalette>

namespace FieldStyle {

namespace {

QString rgba(const QColor &color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 3);
}

// A rounded-border field: darker than the card, a faint hairline, accent when focused.
QString fieldSheet(const QString &type)
{
    return QStringLiteral("%1 { background: %2; color: %3; border: 1px solid %4;"
                          " border-radius: 6px; padding: 3px 6px;"
                          " selection-background-color: %5; selection-color: white; }"
                          " %1:focus { border: 1px solid %6; }")
        .arg(type, rgba(Theme::black(0.25)), rgba(Theme::primaryText()), rgba(Theme::white(0.18)),
            rgba(Theme::withOpacity(Theme::accent(), 0.6)), rgba(Theme::accent()));
}

} // namespace

void applyDarkPalette(QWidget *widget)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, QColor(0x2c, 0x2c, 0x2e));
    palette.setColor(QPalette::Base, QColor(0x1c, 0x1c, 0x1e));
    palette.setColor(QPalette::AlternateBase, QColor(0x2c, 0x2c, 0x2e));
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3a, 0x3c));
    palette.setColor(QPalette::WindowText, Theme::primaryText());
    palette.setColor(QPalette::Text, Theme::primaryText());
    palette.setColor(QPalette::ButtonText, Theme::primaryText());
    palette.setColor(QPalette::PlaceholderText, Theme::secondaryText());
    palette.setColor(QPalette::Highlight, Theme::accent());
    palette.setColor(QPalette::HighlightedText, Qt::white);
    widget->setPalette(palette);
}

void takeFocusOnClick(QWidget *field)
{
    field->setFocusPolicy(Qt::ClickFocus);
}

void applyTextField(QLineEdit *field)
{
    takeFocusOnClick(field);
    applyDarkPalette(field);
    field->setStyleSheet(fieldSheet(QStringLiteral("QLineEdit")));
}

void applyDateField(QDateEdit *field)
{
    takeFocusOnClick(field);
    applyDarkPalette(field);
    // Left to the style's own frame so that the pop-up arrow stays drawn.
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Theme::black(0.25));
    palette.setColor(QPalette::Button, QColor(0x4a, 0x4a, 0x50));
    field->setPalette(palette);
    if (QCalendarWidget *calendar = field->calendarWidget())
        applyDarkPalette(calendar);
}

void applyPicker(QComboBox *picker)
{
    takeFocusOnClick(picker);
    applyDarkPalette(picker);
    applyDarkPalette(picker->view());
}

} // namespace FieldStyle
