#include "converterwidget.h"

#include "dashboardstore.h"
#include "digitlabel.h"
#include "facebindings.h"
#include "faceconventions.h"
#include "fieldstyle.h"
#include "shapedtext.h"
#include "theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

PickerButton::PickerButton(QWidget *parent)
    : QComboBox(parent)
{
    setFont(Theme::textStyle(Theme::TextStyle::body));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    FieldStyle::applyPicker(this);
}

QSize PickerButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    // Text, then room for the chevron plate on the right.
    return QSize(10 + widest + 10 + 18, std::max(24, metrics.height() + 8));
}

void PickerButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(plate, 6, 6);
    painter.fillPath(shape, Theme::white(hasFocus() ? 0.18 : 0.12));

    painter.setPen(Theme::primaryText());
    painter.setFont(font());
    const QRectF textRect = plate.adjusted(10, 0, -28, 0);
    ShapedText::draw(painter, textRect, Qt::AlignLeft | Qt::AlignVCenter, currentText());

    // The up-down chevron that marks a pop-up menu.
    const QRectF knob(plate.right() - 20, plate.top() + 3, 17, plate.height() - 6);
    QPainterPath knobShape;
    knobShape.addRoundedRect(knob, 4, 4);
    painter.fillPath(knobShape, Theme::withOpacity(Theme::accent(), 0.85));
    QPen pen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    const QPointF c = knob.center();
    painter.drawPolyline(
        QPolygonF {c + QPointF(-3, -1.5), c + QPointF(0, -4.5), c + QPointF(3, -1.5)});
    painter.drawPolyline(
        QPolygonF {c + QPointF(-3, 1.5), c + QPointF(0, 4.5), c + QPointF(3, 1.5)});
}

ConverterWidget::ConverterWidget(
    DashboardStore *store, const QUuid &id, QWidget *parent, const icu::Locale &locale)
    : FaceWidget(13, parent)
    , m_store(store)
    , m_id(id)
    , m_locale(locale)
    , m_picker(new PickerButton)
    , m_field(new QLineEdit)
    , m_result(
          new DigitLabel(QString(), Face::bigFigureFont(24, QFont::DemiBold), Theme::primaryText()))
{
    setObjectName(QStringLiteral("converterFace"));
    addHeader(QStringLiteral("arrow.left.arrow.right"), Theme::purple(),
        QStringLiteral("UNIT CONVERTER"));

    m_picker->setObjectName(QStringLiteral("conversion"));
    m_picker->setAccessibleName(QStringLiteral("Conversion"));
    for (const UnitConversion conversion : UnitConversions::all)
        m_picker->addItem(UnitConversions::rawText(conversion));
    addRow(m_picker, Qt::AlignLeft);

    m_field->setObjectName(QStringLiteral("value"));
    m_field->setPlaceholderText(QStringLiteral("Value"));
    m_field->setFont(Theme::textStyle(Theme::TextStyle::title3));
    FieldStyle::applyTextField(m_field);
    addRow(m_field);

    auto *resultRow = new QHBoxLayout;
    resultRow->setContentsMargins(0, 0, 0, 0);
    auto *caption = Face::label(
        QStringLiteral("Result"), Theme::textStyle(Theme::TextStyle::body), Theme::secondaryText());
    resultRow->addWidget(caption, 0, Qt::AlignVCenter);
    resultRow->addStretch(1);
    m_result->setObjectName(QStringLiteral("result"));
    m_result->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_result->setMinimumScale(0.5);
    // A result too long to show whole never widens the card: it is cut with an ellipsis
    // and keeps its full value in the tooltip.
    m_result->setSizePolicy(QSizePolicy::Ignored, m_result->sizePolicy().verticalPolicy());
    m_result->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    resultRow->addWidget(m_result, 1, Qt::AlignVCenter);
    addRow(resultRow);

    connect(m_field, &QLineEdit::textEdited, this,
        [this](const QString &text) { FaceBindings::setConverterInput(*m_store, m_id, text); });
    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < int(UnitConversions::all.size()))
            FaceBindings::setConversion(*m_store, m_id, UnitConversions::all[index]);
    });
    connect(m_store, &DashboardStore::widgetsChanged, this, &ConverterWidget::refresh);
    refresh();
}

QString ConverterWidget::resultText() const
{
    return m_result->text();
}

void ConverterWidget::refresh()
{
    const QString input = FaceBindings::converterInput(*m_store, m_id);
    const UnitConversion conversion = FaceBindings::conversion(*m_store, m_id);
    // Only an outside change resets the field, so typing keeps the cursor where it is.
    if (m_field->text() != input)
        m_field->setText(input);
    const int index
        = int(std::find(UnitConversions::all.begin(), UnitConversions::all.end(), conversion)
            - UnitConversions::all.begin());
    if (m_picker->currentIndex() != index)
        m_picker->setCurrentIndex(index);
    const QString result = UnitConversions::result(input, conversion, m_locale);
    m_result->setText(result);
    m_result->setToolTip(result);
}
