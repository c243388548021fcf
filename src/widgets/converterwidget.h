#pragma once

#include "facewidget.h"
#include "icu.h"
#include "unitconversion.h"

#include <QComboBox>
#include <QUuid>
#include <unicode/locid.h>

class DashboardStore;
class DigitLabel;
class QLineEdit;

// A pop-up button listing choices, drawn as a rounded plate with an up-down chevron.
class PickerButton : public QComboBox
{
    Q_OBJECT

public:
    explicit PickerButton(QWidget *parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// The converter face: the pair picker, the value field and the result. The typed text
// and the chosen pair are the widget record's; every edit writes them through.
class ConverterWidget : public FaceWidget
{
    Q_OBJECT

public:
    ConverterWidget(DashboardStore *store, const QUuid &id, QWidget *parent = nullptr,
        const icu::Locale &locale = Icu::numberLocale());

    QString resultText() const;

private:
    void refresh();

    DashboardStore *m_store;
    QUuid m_id;
    icu::Locale m_locale;
    PickerButton *m_picker;
    QLineEdit *m_field;
    DigitLabel *m_result;
};
