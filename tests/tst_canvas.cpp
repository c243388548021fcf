#include "digitlabel.h"
#include "digittext.h"
#include "faceconventions.h"
#include "faceheader.h"
#include "faceprogressbar.h"
#include "symbols.h"
#include "theme.h"
#include "toolbarbuttonstyle.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

class TestCanvas : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digitsAreMonospaced_data();
    void digitsAreMonospaced();
    void digitLabelShrinksDownToItsMinimumScale();
    void everySymbolIsCompiledIn();
    void symbolsAreTintedAndCached();
    void toolbarButtonFillFollowsState_data();
    void toolbarButtonFillFollowsState();
    void eyebrowIsRoundedBoldTracked();
    void percentFollowsLocale_data();
    void percentFollowsLocale();
    void progressBarClampsItsValue_data();
    void progressBarClampsItsValue();
    void timelineTicksAtBuildTime();
    void pollingStopsWithItsOwner();
};

void TestCanvas::digitsAreMonospaced_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<QFont>("font");
    const QFont rounded = Theme::font(44, QFont::Light, Theme::FontDesign::rounded);
    const QFont standard = Theme::font(30, QFont::DemiBold);
    QTest::addRow("1111 vs 8888, rounded") << "1111"
                                           << "8888" << rounded;
    QTest::addRow("1111 vs 8888, standard") << "1111"
                                            << "8888" << standard;
    QTest::addRow("stopwatch 01:11.1 vs 08:48.8") << "01:11.1"
                                                  << "08:48.8" << rounded;
    QTest::addRow("negative -1 vs -7") << "-1"
                                       << "-7" << standard;
}

void TestCanvas::digitsAreMonospaced()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(QFont, font);
    QCOMPARE(DigitText::width(a, font), DigitText::width(b, font));
    QVERIFY(DigitText::width(a, font) > 0);
}

void TestCanvas::digitLabelShrinksDownToItsMinimumScale()
{
    DigitLabel label(QStringLiteral("123456789012"), Theme::font(40), Qt::white);
    label.setMinimumScale(0.5);
    const int natural = label.sizeHint().width();
    QCOMPARE(label.minimumSizeHint().width(), qCeil(natural * 0.5));

    label.resize(natural, label.sizeHint().height());
    QCOMPARE(label.currentScale(), 1.0);
    label.resize(natural * 3 / 4, label.sizeHint().height());
    QVERIFY(qAbs(label.currentScale() - 0.75) < 0.01);
    label.resize(natural / 4, label.sizeHint().height());
    QCOMPARE(label.currentScale(), 0.5);
}

void TestCanvas::everySymbolIsCompiledIn()
{
    const QStringList names {"clock.fill", "calendar", "note.text", "battery.75percent",
        "gauge.with.dots.needle.67percent", "plus.forwardslash.minus", "globe", "stopwatch",
        "arrow.left.arrow.right", "clipboard", "timer", "hourglass", "square.grid.2x2.fill",
        "chart.bar.fill", "quote.opening", "xmark", "plus", "moon.stars.fill", "laptopcomputer",
        "memorychip", "internaldrive", "arrow.clockwise", "sparkles", "square.grid.2x2",
        "arrow.down.circle", "doc", "gearshape", "chevron.left", "chevron.right", "die.face.1.fill",
        "die.face.6.fill", "dice.fill"};
    for (const QString &name : names) {
        const QPixmap pixmap = Symbols::pixmap(name, 24, Qt::white);
        QVERIFY2(!pixmap.isNull(), qPrintable(name));
    }
    QVERIFY(Symbols::pixmap(QStringLiteral("no.such.symbol"), 24, Qt::white).isNull());
    QVERIFY(Symbols::pixmap(QStringLiteral("globe"), 0, Qt::white).isNull());
}

void TestCanvas::symbolsAreTintedAndCached()
{
    const QColor cyan = Theme::cyan();
    const QPixmap first = Symbols::pixmap(QStringLiteral("clock.fill"), 32, cyan, 2.0);
    QCOMPARE(first.size(), QSize(64, 64));
    QCOMPARE(first.devicePixelRatio(), 2.0);
    const QImage image = first.toImage();
    bool sawTint = false;
    for (int y = 0; y < image.height() && !sawTint; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 255) {
                QCOMPARE(pixel.rgb(), cyan.rgb());
                sawTint = true;
                break;
            }
        }
    }
    QVERIFY(sawTint);
    QCOMPARE(
        Symbols::pixmap(QStringLiteral("clock.fill"), 32, cyan, 2.0).cacheKey(), first.cacheKey());
}

void TestCanvas::toolbarButtonFillFollowsState_data()
{
    QTest::addColumn<bool>("prominent");
    QTest::addColumn<bool>("pressed");
    QTest::addColumn<QColor>("base");
    QTest::addColumn<qreal>("opacity");
    QTest::addRow("plain") << false << false << QColor(Qt::white) << 0.13;
    QTest::addRow("plain, pressed") << false << true << QColor(Qt::white) << 0.08;
    QTest::addRow("prominent") << true << false << Theme::accent() << 0.85;
    QTest::addRow("prominent, pressed") << true << true << Theme::accent() << 0.55;
}

void TestCanvas::toolbarButtonFillFollowsState()
{
    QFETCH(bool, prominent);
    QFETCH(bool, pressed);
    QFETCH(QColor, base);
    QFETCH(qreal, opacity);
    ToolbarButtonStyle button(QStringLiteral("Done"), prominent);
    button.setDown(pressed);
    const QColor fill = button.currentFill();
    QCOMPARE(fill.rgb(), base.rgb());
    QVERIFY(qAbs(fill.alphaF() - opacity) < 0.005);

    const QFontMetrics metrics(button.font());
    QCOMPARE(button.sizeHint(),
        QSize(metrics.horizontalAdvance(QStringLiteral("Done")) + 24, metrics.height() + 16));
}

void TestCanvas::eyebrowIsRoundedBoldTracked()
{
    FaceHeader header(QStringLiteral("clock.fill"), Theme::cyan(), QStringLiteral("LOCAL TIME"));
    const QFont font = header.titleLabel()->font();
    QCOMPARE(font.pixelSize(), 11);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY(qAbs(font.letterSpacing() - 1.2) < 0.02); // stored in 1/64 pixel steps
    QCOMPARE(font.letterSpacingType(), QFont::AbsoluteSpacing);
    QCOMPARE(header.titleLabel()->text(), QStringLiteral("LOCAL TIME"));
    QCOMPARE(header.titleLabel()->palette().color(QPalette::WindowText), Theme::secondaryText());
}

void TestCanvas::percentFollowsLocale_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<double>("fraction");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("expected");
    QTest::addRow("en_US 0.75") << QByteArray("en_US") << 0.75 << 0 << "75%";
    QTest::addRow("de_DE 0.75") << QByteArray("de_DE") << 0.75 << 0 << QStringLiteral("75\u00A0%");
    QTest::addRow("en_US one digit") << QByteArray("en_US") << 0.1234 << 1 << "12.3%";
    QTest::addRow("en_US zero, one digit") << QByteArray("en_US") << 0.0 << 1 << "0.0%";
}

void TestCanvas::percentFollowsLocale()
{
    QFETCH(QByteArray, locale);
    QFETCH(double, fraction);
    QFETCH(int, digits);
    QFETCH(QString, expected);
    QCOMPARE(Face::percent(fraction, digits, locale.constData()), expected);
}

void TestCanvas::progressBarClampsItsValue_data()
{
    QTest::addColumn<qreal>("value");
    QTest::addColumn<qreal>("expected");
    QTest::addRow("inside") << 0.42 << 0.42;
    QTest::addRow("below") << -0.5 << 0.0;
    QTest::addRow("above") << 1.5 << 1.0;
    QTest::addRow("NaN") << qQNaN() << 0.0;
}

void TestCanvas::progressBarClampsItsValue()
{
    QFETCH(qreal, value);
    QFETCH(qreal, expected);
    FaceProgressBar bar(Theme::blue());
    bar.setValue(0.3);
    bar.setValue(value);
    QCOMPARE(bar.value(), expected);
}

void TestCanvas::timelineTicksAtBuildTime()
{
    QObject owner;
    int ticks = 0;
    QDateTime first;
    Face::startTimeline(&owner, 20ms, [&](const QDateTime &now) {
        if (ticks++ == 0)
            first = now;
    });
    QCOMPARE(ticks, 1);
    QVERIFY(qAbs(first.msecsTo(QDateTime::currentDateTime())) < 1000);
    QTRY_VERIFY(ticks >= 3);
}

void TestCanvas::pollingStopsWithItsOwner()
{
    auto *owner = new QObject;
    int polls = 0;
    Face::startPolling(owner, 10ms, [&] { ++polls; });
    QCOMPARE(polls, 1);
    QTRY_VERIFY(polls >= 2);
    delete owner;
    const int atDeletion = polls;
    QTest::qWait(50);
    QCOMPARE(polls, atDeletion);
}

QTEST_MAIN(TestCanvas)
#include "tst_canvas.moc"
