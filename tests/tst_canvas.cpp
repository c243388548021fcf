#include "backdrop.h"
#include "boxblur.h"
#include "clampedtext.h"
#include "dashboardrenderer.h"
#include "dashboardstore.h"
#include "dashboardtoolbar.h"
#include "dashboardview.h"
#include "desktopblur.h"
#include "digitlabel.h"
#include "digittext.h"
#include "draghandle.h"
#include "faceconventions.h"
#include "faceheader.h"
#include "faceprogressbar.h"
#include "fakedefaults.h"
#include "filedefaults.h"
#include "gallerytile.h"
#include "keptthreads.h"
#include "roundbutton.h"
#include "roundedfill.h"
#include "shapes.h"
#include "spring.h"
#include "symbols.h"
#include "theme.h"
#include "toolbarbuttonstyle.h"
#include "widgetcard.h"
#include "widgetgallery.h"

#include <QApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <future>

using namespace std::chrono_literals;

namespace {

const QSize canvasSize(1200, 900);
const QString storeKey = QStringLiteral("dashboard.widgets.display.TEST-1.v1");

DashboardWidget widgetAt(DashboardWidgetKind kind, double x, double y)
{
    return DashboardWidget::make(kind, x, y);
}

// A mouse event sent straight to `target`, with a screen position, as the window system
// would deliver it during an implicit grab.
void sendMouse(QWidget *target, QEvent::Type type, QPoint global, Qt::MouseButtons buttons)
{
    const QPointF local = target->mapFromGlobal(QPointF(global));
    QMouseEvent event(type, local, QPointF(global),
        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// Presses on the handle's centre, moves through `steps` (offsets from the press), and
// releases at the last one.
void dragHandle(QWidget *handle, const QList<QPoint> &steps)
{
    const QPoint start = handle->mapToGlobal(handle->rect().center());
    sendMouse(handle, QEvent::MouseButtonPress, start, Qt::LeftButton);
    for (const QPoint &step : steps)
        sendMouse(handle, QEvent::MouseMove, start + step, Qt::LeftButton);
    sendMouse(handle, QEvent::MouseButtonRelease, start + steps.last(), Qt::NoButton);
}

void click(QWidget *widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

} // namespace

class TestCanvas : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digitsAreMonospaced_data();
    void digitsAreMonospaced();
    void digitsSitCentredInTheirCells_data();
    void digitsSitCentredInTheirCells();
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

    void init();
    void cleanup();
    void layoutNumbers_data();
    void layoutNumbers();
    void cardsAreFramedAtTheirStoredCorners();
    void removeButtonOverhangsTheCornerByEightPoints();
    void cardsStackInListOrderAndSurviveRestacking();
    void typingKeepsTheEditorAndItsFocus();
    void duplicateIdsShowOneCard();
    void galleryOpensAndClosesByEachPath_data();
    void galleryOpensAndClosesByEachPath();
    void clickOnEmptyCanvasWhileClosedDoesNothing();
    void clicksOnCardsToolbarAndSheetKeepTheGalleryOpen();
    void gallerySpringsInAndOut();
    void galleryButtonTooltipFollowsState();
    void removeButtonRemovesOnlyItsCard();
    void clicksBesideARoundButtonReachTheCardUnder_data();
    void clicksBesideARoundButtonReachTheCardUnder();
    void dragStoresTheEndPosition_data();
    void dragStoresTheEndPosition();
    void dragRaisesTheCardOnceAndSurvivesIt();
    void shortDragDoesNothing();
    void handleDescribesItself();
    void galleryHasFifteenTilesWithoutPomodoro();
    void clampedTextKeepsWholeLinesAndEndsInAnEllipsis_data();
    void clampedTextKeepsWholeLinesAndEndsInAnEllipsis();
    void tileTextFitsInsideTheNarrowestTile();
    void tileAddsExactlyOneWidgetAndCloses();
    void resizeSnapsAndClamps_data();
    void resizeSnapsAndClamps();
    void secondResizeStartsFromTheFirstsResult();
    void shortGalleryDropsSubtitleThenTilesWithoutOverlap_data();
    void shortGalleryDropsSubtitleThenTilesWithoutOverlap();
    void toolbarCloseCallsCloseOnce();
    void toolbarTellsWhileChangesCannotBeSaved();
    void springSettlesWithoutMuchOvershoot_data();
    void springSettlesWithoutMuchOvershoot();
    void desktopBlurShrinksAndSoftens();
    void boxBlurIsAClampedRunningMean_data();
    void boxBlurIsAClampedRunningMean();
    void roundedFillLooksLikeAFilledPath_data();
    void roundedFillLooksLikeAFilledPath();
    void stretchedShadowLooksLikeAWholeOne_data();
    void stretchedShadowLooksLikeAWholeOne();
    void backdropLooksLikeAPaintedScaleUnderTheGradient_data();
    void backdropLooksLikeAPaintedScaleUnderTheGradient();
    void glassShowsTheSameDesktopAtEveryRatio_data();
    void glassShowsTheSameDesktopAtEveryRatio();
    void glassWrittenStraightLooksAsPainted_data();
    void glassWrittenStraightLooksAsPainted();
    void backdropComposedAheadIsKeptByOnePaint();
    void keptThreadsServeJobsThatWaitForLaterOnes();
    void renderingWritesOnePicturePerScreenAndNoArrangement();

private:
    DashboardView *makeView();
    WidgetCard *cardOf(const QUuid &id);

    std::unique_ptr<FakeDefaults> m_defaults;
    std::unique_ptr<DashboardStore> m_store;
    std::unique_ptr<DashboardView> m_view;
    int m_closeCalls = 0;
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

void TestCanvas::digitsSitCentredInTheirCells_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addRow("rounded") << Theme::font(60, QFont::DemiBold, Theme::FontDesign::rounded);
    QTest::addRow("standard") << Theme::font(60, QFont::Normal);
}

void TestCanvas::digitsSitCentredInTheirCells()
{
    QFETCH(QFont, font);
    const qreal cell = DigitText::width(QStringLiteral("0"), font);
    const int height = qCeil(QFontMetricsF(font).height());
    for (char16_t c = u'0'; c <= u'9'; ++c) {
        const QString digit(QChar {c});
        QImage image(qCeil(cell), height, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setPen(Qt::white);
            DigitText::draw(painter, QRectF(0, 0, cell, height), Qt::AlignLeft, digit, font);
        }
        int first = image.width();
        int last = -1;
        for (int x = 0; x < image.width(); ++x) {
            for (int y = 0; y < height; ++y) {
                if (qAlpha(image.pixel(x, y)) > 64) {
                    first = qMin(first, x);
                    last = qMax(last, x);
                }
            }
        }
        QVERIFY2(last >= 0, qPrintable(digit));
        const qreal left = first;
        const qreal right = cell - (last + 1);
        QVERIFY2(qAbs(left - right) <= 1.5,
            qPrintable(QStringLiteral("%1: %2 left, %3 right").arg(digit).arg(left).arg(right)));
    }
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

void TestCanvas::init()
{
    DashboardView::setAnimationsEnabled(false);
    m_defaults = std::make_unique<FakeDefaults>();
    m_store = std::make_unique<DashboardStore>(*m_defaults, storeKey, false);
    m_closeCalls = 0;
}

void TestCanvas::cleanup()
{
    m_view.reset();
    m_store.reset();
    m_defaults.reset();
}

DashboardView *TestCanvas::makeView()
{
    m_view = std::make_unique<DashboardView>(
        *m_store, [this] { ++m_closeCalls; }, FaceServices {});
    m_view->resize(canvasSize);
    m_view->show();
    if (!QTest::qWaitForWindowExposed(m_view.get()))
        return nullptr;
    return m_view.get();
}

WidgetCard *TestCanvas::cardOf(const QUuid &id)
{
    return m_view ? m_view->card(id) : nullptr;
}

void TestCanvas::layoutNumbers_data()
{
    QTest::addColumn<QSizeF>("canvas");
    QTest::addColumn<qreal>("requested");
    QTest::addColumn<qreal>("maximum");
    QTest::addColumn<QRectF>("frame");
    QTest::addRow("1000 high: maximum 560")
        << QSizeF(1000, 1000) << 500.0 << 560.0 << QRectF(75, 478, 850, 500);
    QTest::addRow("400 high: maximum 310")
        << QSizeF(1000, 400) << 500.0 << 310.0 << QRectF(75, 68, 850, 310);
    QTest::addRow("200 high: floor 180")
        << QSizeF(1000, 200) << 500.0 << 180.0 << QRectF(75, -2, 850, 180);
    // 410 high, centre at y = 500 - 205 - 22 = 273
    QTest::addRow("500 high: 410 at most")
        << QSizeF(500, 500) << 500.0 << 410.0 << QRectF(20, 68, 460, 410);
    QTest::addRow("300 wide: 320 wide")
        << QSizeF(300, 1000) << 300.0 << 560.0 << QRectF(-10, 678, 320, 300);
    QTest::addRow("2000 wide: 850 wide")
        << QSizeF(2000, 1000) << 34.0 << 560.0 << QRectF(575, 944, 850, 34);
}

void TestCanvas::layoutNumbers()
{
    QFETCH(QSizeF, canvas);
    QFETCH(qreal, requested);
    QFETCH(qreal, maximum);
    QFETCH(QRectF, frame);
    QCOMPARE(DashboardView::maximumHeight(canvas.height()), maximum);
    QCOMPARE(DashboardView::galleryFrame(canvas, requested), frame);
}

void TestCanvas::cardsAreFramedAtTheirStoredCorners()
{
    const DashboardWidget dice = widgetAt(DashboardWidgetKind::dice, 100, 50);
    QCOMPARE(DashboardView::cardFrame(dice).center(), QPointF(225, 152.5));
    QCOMPARE(DashboardView::cardFrame(dice).size(), QSizeF(250, 205));

    m_store->setWidgets({widgetAt(DashboardWidgetKind::calculator, 300, 120), dice});
    QVERIFY(makeView());
    QCOMPARE(cardOf(m_store->widgets().at(0).id)->geometry(), QRect(300, 120, 300, 410));
    QCOMPARE(cardOf(dice.id)->geometry(), QRect(100, 50, 250, 205));
}

void TestCanvas::removeButtonOverhangsTheCornerByEightPoints()
{
    const QRectF card(100, 200, 300, 410);
    const QRectF circle = DashboardView::removeButtonCircle(card);
    QCOMPARE(circle.size(), QSizeF(42, 42));
    QCOMPARE(circle.center(), QPointF(400 - 13, 200 + 13));
    QCOMPARE(circle.right() - card.right(), 8.0);
    QCOMPARE(card.top() - circle.top(), 8.0);

    m_store->setWidgets({widgetAt(DashboardWidgetKind::clock, 100, 200)});
    QVERIFY(makeView());
    m_store->setGalleryOpen(true);
    RoundButton *remove = m_view->removeButton(m_store->widgets().at(0).id);
    QVERIFY(remove && remove->isVisible());
    const QRectF onCanvas = remove->circleFrame().translated(remove->pos());
    QCOMPARE(onCanvas, DashboardView::removeButtonCircle(QRectF(100, 200, 275, 155)));
}

void TestCanvas::cardsStackInListOrderAndSurviveRestacking()
{
    QVERIFY(makeView());
    const QList<DashboardWidget> widgets = m_store->widgets();
    QCOMPARE(widgets.size(), 3);
    const QList<WidgetCard *> before = m_view->cards();
    QCOMPARE(before.size(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(before[i]->widgetId(), widgets[i].id);

    m_store->bringToFront(widgets.first().id);
    QCoreApplication::processEvents();
    const QList<WidgetCard *> after = m_view->cards();
    QCOMPARE(after.last()->widgetId(), widgets.first().id);
    QCOMPARE(after.last(), before.first()); // the same card, not a new one
    // Drawn last: the topmost child at its centre is the card or one of its children.
    QWidget *top = m_view->childAt(after.last()->geometry().center());
    QVERIFY(top == after.last() || after.last()->isAncestorOf(top));
}

void TestCanvas::typingKeepsTheEditorAndItsFocus()
{
    m_store->setWidgets({widgetAt(DashboardWidgetKind::notes, 100, 200),
        widgetAt(DashboardWidgetKind::clock, 600, 200)});
    QVERIFY(makeView());
    m_view->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_view.get()));
    const QUuid notes = m_store->widgets().at(0).id;
    auto *editor = cardOf(notes)->findChild<QPlainTextEdit *>();
    QVERIFY(editor);
    editor->setFocus();
    editor->selectAll();

    QTest::keyClicks(editor, QStringLiteral("abc"));
    m_store->bringToFront(m_store->widgets().at(1).id); // another card rises meanwhile
    QCoreApplication::processEvents();
    QTest::keyClicks(editor, QStringLiteral("de"));
    QCoreApplication::processEvents();

    QCOMPARE(cardOf(notes)->findChild<QPlainTextEdit *>(), editor);
    QCOMPARE(QApplication::focusWidget(), editor);
    QCOMPARE(m_store->widget(notes)->note, QStringLiteral("abcde"));
}

void TestCanvas::duplicateIdsShowOneCard()
{
    const DashboardWidget clock = widgetAt(DashboardWidgetKind::clock, 100, 200);
    DashboardWidget copy = clock;
    copy.x = 500;
    m_store->setWidgets({clock, copy});
    QVERIFY(makeView());
    QCOMPARE(m_view->cards().size(), 1);
    QCOMPARE(cardOf(clock.id)->geometry().topLeft(), QPoint(100, 200));
}

void TestCanvas::galleryOpensAndClosesByEachPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addRow("floating button") << "button";
    QTest::addRow("Done") << "done";
    QTest::addRow("click on empty space") << "tap";
    QTest::addRow("choosing a tile") << "tile";
}

void TestCanvas::galleryOpensAndClosesByEachPath()
{
    QFETCH(QString, path);
    m_store->setWidgets({widgetAt(DashboardWidgetKind::clock, 40, 100)});
    QVERIFY(makeView());
    const QUuid id = m_store->widgets().at(0).id;
    QVERIFY(!m_view->gallery());
    QVERIFY(!m_view->tapLayer());
    QVERIFY(!m_view->removeButton(id)->isVisible());

    RoundButton *button = m_view->galleryButton();
    click(button, button->circleFrame().center().toPoint());
    QVERIFY(m_store->isGalleryOpen());
    QVERIFY(m_view->gallery() && m_view->gallery()->isVisible());
    QVERIFY(m_view->tapLayer());
    QVERIFY(m_view->removeButton(id)->isVisible());
    QCOMPARE(button->symbol(), QStringLiteral("xmark"));

    if (path == "button") {
        click(button, button->circleFrame().center().toPoint());
    } else if (path == "done") {
        ToolbarButtonStyle *done = m_view->gallery()->doneButton();
        click(done, done->rect().center());
    } else if (path == "tap") {
        QWidget *target = m_view->childAt(QPoint(900, 300));
        QCOMPARE(target, m_view->tapLayer());
        click(target, QPoint(900, 300));
    } else {
        GalleryTile *tile = m_view->gallery()->tiles().first();
        click(tile, tile->rect().center());
    }
    QVERIFY(!m_store->isGalleryOpen());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!m_view->gallery());
    QVERIFY(!m_view->tapLayer());
    QVERIFY(!m_view->removeButton(id)->isVisible());
    QCOMPARE(button->symbol(), QStringLiteral("plus"));
}

void TestCanvas::gallerySpringsInAndOut()
{
    DashboardView::setAnimationsEnabled(true);
    QVERIFY(makeView());
    m_store->setGalleryOpen(true);
    QPointer<WidgetGallery> gallery = m_view->gallery();
    QVERIFY(gallery);
    const QRect final = DashboardView::galleryFrame(QSizeF(canvasSize), 500).toAlignedRect();
    QVERIFY(gallery->y() > final.y()); // starts below its place
    QTRY_COMPARE(gallery->geometry(), final);
    QTRY_VERIFY(!gallery->graphicsEffect());

    m_store->setGalleryOpen(false);
    QVERIFY(gallery); // leaving, still on screen
    QVERIFY(!m_view->tapLayer());
    QTRY_VERIFY(gallery.isNull());
    QVERIFY(!m_view->removeButton(m_store->widgets().at(0).id)->isVisible());
}

void TestCanvas::clicksOnCardsToolbarAndSheetKeepTheGalleryOpen()
{
    m_store->setWidgets({widgetAt(DashboardWidgetKind::pomodoro, 100, 200)});
    QVERIFY(makeView());
    m_store->setGalleryOpen(true);
    WidgetCard *card = m_view->cards().first();
    click(card, QPoint(card->width() / 2, card->height() / 2));
    QVERIFY(m_store->isGalleryOpen());
    click(m_view->toolbar(), QPoint(600, 30));
    QVERIFY(m_store->isGalleryOpen());
    click(m_view->gallery(), QPoint(5, m_view->gallery()->height() - 5));
    QVERIFY(m_store->isGalleryOpen());
}

void TestCanvas::clickOnEmptyCanvasWhileClosedDoesNothing()
{
    QVERIFY(makeView());
    const QList<DashboardWidget> before = m_store->widgets();
    m_defaults->resetCounts();
    QWidget *target = m_view->childAt(QPoint(1100, 600));
    QVERIFY(!target);
    click(m_view.get(), QPoint(1100, 600));
    QVERIFY(!m_store->isGalleryOpen());
    QCOMPARE(m_store->widgets(), before);
    QCOMPARE(m_defaults->totalWrites(), 0);
}

void TestCanvas::galleryButtonTooltipFollowsState()
{
    QVERIFY(makeView());
    QCOMPARE(m_view->galleryButton()->toolTip(), QStringLiteral("Add widgets"));
    m_store->setGalleryOpen(true);
    QCOMPARE(m_view->galleryButton()->toolTip(), QStringLiteral("Close widget gallery"));
    QCOMPARE(DashboardView::galleryButtonCircle(QSizeF(canvasSize)),
        QRectF(1200 - 22 - 52, 900 - 20 - 52, 52, 52));
}

void TestCanvas::removeButtonRemovesOnlyItsCard()
{
    QVERIFY(makeView());
    const QList<DashboardWidget> widgets = m_store->widgets();
    m_store->setGalleryOpen(true);
    QPointer<WidgetCard> removed = m_view->card(widgets[1].id);
    WidgetCard *kept = m_view->card(widgets[0].id);
    RoundButton *remove = m_view->removeButton(widgets[1].id);
    click(remove, remove->circleFrame().center().toPoint());

    QCOMPARE(m_store->widgets().size(), 2);
    QVERIFY(!m_store->widget(widgets[1].id));
    QTRY_VERIFY(removed.isNull());
    QCOMPARE(m_view->card(widgets[0].id), kept);
    QCOMPARE(m_view->cards().size(), 2);
}

void TestCanvas::clicksBesideARoundButtonReachTheCardUnder_data()
{
    QTest::addColumn<DashboardWidgetKind>("kind");
    QTest::addColumn<QPointF>("corner");
    QTest::addColumn<bool>("onRemoveButton");
    QTest::addColumn<QPointF>("fromCentre");
    const auto dice = DashboardWidgetKind::dice;
    const QPointF middle(300, 200);
    // In the bottom-right corner, where the floating button's shadow falls on it.
    const auto notes = DashboardWidgetKind::notes;
    const QPointF bottomRight(870, 600);
    QTest::addRow("remove button, below its circle") << dice << middle << true << QPointF(0, 26);
    QTest::addRow("remove button, its square's corner")
        << dice << middle << true << QPointF(-17, 17);
    QTest::addRow("floating button, left of its circle")
        << notes << bottomRight << false << QPointF(-31, 0);
    QTest::addRow("floating button, above its circle")
        << notes << bottomRight << false << QPointF(0, -30);
}

void TestCanvas::clicksBesideARoundButtonReachTheCardUnder()
{
    QFETCH(DashboardWidgetKind, kind);
    QFETCH(QPointF, corner);
    QFETCH(bool, onRemoveButton);
    QFETCH(QPointF, fromCentre);
    const DashboardWidget widget = widgetAt(kind, corner.x(), corner.y());
    m_store->setWidgets({widget});
    QVERIFY(makeView());
    m_store->setGalleryOpen(true);
    const QRectF circle = onRemoveButton
        ? DashboardView::removeButtonCircle(DashboardView::cardFrame(widget))
        : DashboardView::galleryButtonCircle(QSizeF(canvasSize));
    const QPoint at = (circle.center() + fromCentre).toPoint();
    WidgetCard *card = cardOf(widget.id);
    QWidget *under = m_view->childAt(at);
    QVERIFY2(under == card || card->isAncestorOf(under),
        under ? under->metaObject()->className() : "nothing");

    QTest::mouseClick(m_view->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    QVERIFY(m_store->isGalleryOpen());
    QCOMPARE(m_store->widgets().size(), 1);
}

void TestCanvas::dragStoresTheEndPosition_data()
{
    QTest::addColumn<QList<QPoint>>("steps");
    QTest::addColumn<QPointF>("stored");
    QTest::addRow("(+40, -10) from (100, 200)")
        << QList<QPoint> {{5, 0}, {20, -5}, {40, -10}} << QPointF(140, 190);
    QTest::addRow("back where it started") << QList<QPoint> {{30, 30}, {0, 0}} << QPointF(100, 200);
    QTest::addRow("off the left and bottom edges: clamped")
        << QList<QPoint> {{-300, 300}, {-600, 2000}} << QPointF(16, 900 - 155 - 24);
    QTest::addRow("off the top and right: clamped")
        << QList<QPoint> {{2000, -500}} << QPointF(1200 - 275 - 16, 70);
}

void TestCanvas::dragStoresTheEndPosition()
{
    QFETCH(QList<QPoint>, steps);
    QFETCH(QPointF, stored);
    m_store->setWidgets({widgetAt(DashboardWidgetKind::clock, 100, 200)});
    QVERIFY(makeView());
    const QUuid id = m_store->widgets().at(0).id;
    dragHandle(cardOf(id)->handle(), steps);
    QCOMPARE(QPointF(m_store->widget(id)->x, m_store->widget(id)->y), stored);
    QCoreApplication::processEvents();
    QCOMPARE(cardOf(id)->translation(), QPointF());
    QCOMPARE(cardOf(id)->geometry().topLeft(), stored.toPoint());
}

void TestCanvas::dragRaisesTheCardOnceAndSurvivesIt()
{
    m_store->setWidgets({widgetAt(DashboardWidgetKind::clock, 100, 200),
        widgetAt(DashboardWidgetKind::dice, 500, 300)});
    QVERIFY(makeView());
    const QUuid id = m_store->widgets().at(0).id;
    WidgetCard *card = cardOf(id);
    QWidget *handle = card->handle();
    QSignalSpy published(m_store.get(), &DashboardStore::widgetsChanged);

    const QPoint start = handle->mapToGlobal(handle->rect().center());
    sendMouse(handle, QEvent::MouseButtonPress, start, Qt::LeftButton);
    for (int step = 1; step <= 10; ++step) {
        sendMouse(handle, QEvent::MouseMove, start + QPoint(step * 10, step * 5), Qt::LeftButton);
        QCoreApplication::processEvents(); // let the canvas restack between moves
    }
    // bringToFront publishes twice (out, then in at the end): once per drag.
    QCOMPARE(published.size(), 2);
    QCOMPARE(m_store->widgets().last().id, id);
    QCOMPARE(cardOf(id), card);
    QVERIFY(card->isDragging());
    QCOMPARE(card->geometry().topLeft(), QPoint(200, 250)); // displaced, not yet stored
    QCOMPARE(m_store->widget(id)->x, 100.0);

    sendMouse(handle, QEvent::MouseButtonRelease, start + QPoint(100, 50), Qt::NoButton);
    QCOMPARE(QPointF(m_store->widget(id)->x, m_store->widget(id)->y), QPointF(200, 250));
    QCOMPARE(published.size(), 4); // the move writes x, then y
}

void TestCanvas::shortDragDoesNothing()
{
    QVERIFY(makeView());
    const QList<DashboardWidget> before = m_store->widgets();
    m_defaults->resetCounts();
    dragHandle(cardOf(before.first().id)->handle(), {{1, 1}, {2, 1}});
    QCOMPARE(m_store->widgets(), before);
    QCOMPARE(m_defaults->totalWrites(), 0);
}

void TestCanvas::handleDescribesItself()
{
    m_store->setWidgets({widgetAt(DashboardWidgetKind::worldClock, 100, 200)});
    QVERIFY(makeView());
    DragHandle *handle = cardOf(m_store->widgets().at(0).id)->handle();
    QCOMPARE(handle->accessibleName(), QStringLiteral("Move World Clock widget"));
    QCOMPARE(handle->toolTip(), QStringLiteral("Drag to move this widget"));
    QCOMPARE(handle->size(), QSize(90, 24));
    QCOMPARE(QRectF(handle->geometry()).center().x(),
        cardOf(m_store->widgets().at(0).id)->width() / 2.0);
}

void TestCanvas::galleryHasFifteenTilesWithoutPomodoro()
{
    QVERIFY(makeView());
    m_store->setGalleryOpen(true);
    const QList<GalleryTile *> tiles = m_view->gallery()->tiles();
    QCOMPARE(tiles.size(), 15);
    for (int i = 0; i < tiles.size(); ++i)
        QCOMPARE(tiles[i]->kind(), WidgetKinds::galleryCases()[size_t(i)]);
    QVERIFY(!m_view->gallery()->findChild<GalleryTile *>(QStringLiteral("tile_pomodoro")));
    QCOMPARE(tiles[9]->kind(), DashboardWidgetKind::clipboard);
    QCOMPARE(tiles[10]->kind(), DashboardWidgetKind::countdown);
    // 850 wide less 40 of padding: four columns of at least 180 with 12 between.
    QCOMPARE(tiles[3]->geometry().top(), tiles[0]->geometry().top());
    QVERIFY(tiles[4]->geometry().top() > tiles[0]->geometry().top());
    QCOMPARE(tiles[0]->height(), 76);
}

void TestCanvas::clampedTextKeepsWholeLinesAndEndsInAnEllipsis_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qreal>("widthShare"); // of the text's width on one line
    QTest::addColumn<int>("lines");
    QTest::addColumn<bool>("elided");
    const QString subtitle = QStringLiteral("See how the year is unfolding");
    QTest::addRow("fits one line") << subtitle << 1.1 << 1 << false;
    QTest::addRow("wraps onto two") << subtitle << 0.6 << 2 << false;
    QTest::addRow("cut after two") << subtitle << 0.3 << 2 << true;
    QTest::addRow("empty") << QString() << 1.0 << 0 << false;
}

void TestCanvas::clampedTextKeepsWholeLinesAndEndsInAnEllipsis()
{
    QFETCH(QString, text);
    QFETCH(qreal, widthShare);
    QFETCH(int, lines);
    QFETCH(bool, elided);
    const QFont font = Theme::textStyle(Theme::TextStyle::caption);
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text) * widthShare;
    const QStringList result = ClampedText::lines(text, font, width, 2);
    QCOMPARE(result.size(), lines);
    if (lines == 0)
        return;
    QCOMPARE(result.last().endsWith(QChar(0x2026)), elided);
    if (!elided)
        QCOMPARE(result.join(u' '), text);
    for (const QString &line : result)
        QVERIFY2(metrics.horizontalAdvance(line) <= width + 0.5, qPrintable(line));
}

void TestCanvas::tileTextFitsInsideTheNarrowestTile()
{
    for (DashboardWidgetKind kind : WidgetKinds::galleryCases()) {
        GalleryTile tile(kind);
        tile.resize(GalleryTile::minimumWidth, GalleryTile::minimumHeight);
        const QRectF frame = tile.textFrame();
        QVERIFY2(QRectF(tile.rect()).contains(frame), qPrintable(tile.text()));
        QVERIFY(!tile.subtitleLines().isEmpty() && tile.subtitleLines().size() <= 2);
    }
}

void TestCanvas::tileAddsExactlyOneWidgetAndCloses()
{
    QVERIFY(makeView());
    const qsizetype before = m_store->widgets().size();
    m_store->setGalleryOpen(true);
    GalleryTile *tile = m_view->gallery()->findChild<GalleryTile *>(QStringLiteral("tile_dice"));
    QVERIFY(tile);
    click(tile, tile->rect().center());
    QCOMPARE(m_store->widgets().size(), before + 1);
    QCOMPARE(m_store->widgets().last().kind, DashboardWidgetKind::dice);
    QVERIFY(!m_store->isGalleryOpen());
    QCoreApplication::processEvents();
    QVERIFY(m_view->card(m_store->widgets().last().id));
    QCOMPARE(m_view->cards().last()->kind(), DashboardWidgetKind::dice);
}

void TestCanvas::resizeSnapsAndClamps_data()
{
    QTest::addColumn<qreal>("translation");
    QTest::addColumn<qreal>("during");
    QTest::addColumn<qreal>("after");
    // The canvas is 900 high: maximum 560; the height starts at 500.
    QTest::addRow("ends at 94: collapses to 34") << 406.0 << 94.0 << 34.0;
    QTest::addRow("ends at 95: stays") << 405.0 << 95.0 << 95.0;
    QTest::addRow("far down: floor 34") << 2000.0 << 34.0 << 34.0;
    QTest::addRow("far up: ceiling 560") << -2000.0 << 560.0 << 560.0;
    QTest::addRow("a little up") << -30.0 << 530.0 << 530.0;
}

void TestCanvas::resizeSnapsAndClamps()
{
    QFETCH(qreal, translation);
    QFETCH(qreal, during);
    QFETCH(qreal, after);
    QVERIFY(makeView());
    m_store->setGalleryOpen(true);
    WidgetGallery *gallery = m_view->gallery();
    gallery->resizeChanged(translation / 2);
    gallery->resizeChanged(translation);
    QCOMPARE(m_view->galleryHeight(), during);
    gallery->resizeEnded();
    QCOMPARE(m_view->galleryHeight(), after);
    const QRectF frame = DashboardView::galleryFrame(QSizeF(canvasSize), after);
    QCOMPARE(gallery->geometry(), frame.toAlignedRect());
    QCOMPARE(gallery->doneButton()->isVisible(), after >= 95);
    QCOMPARE(gallery->geometry().bottom() + 1, 900 - 22);
}

void TestCanvas::secondResizeStartsFromTheFirstsResult()
{
    QVERIFY(makeView());
    m_store->setGalleryOpen(true);
    WidgetGallery *gallery = m_view->gallery();
    gallery->resizeChanged(100); // 500 -> 400
    gallery->resizeEnded();
    gallery->resizeChanged(-50);
    QCOMPARE(m_view->galleryHeight(), 450.0);
    gallery->resizeEnded();

    // The height outlives the sheet.
    m_store->setGalleryOpen(false);
    m_store->setGalleryOpen(true);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_view->gallery());
    QCOMPARE(m_view->gallery()->height(), 450);

    // Through the handle itself: a drag of 150 down.
    QWidget *handle = m_view->gallery()->resizeHandle();
    dragHandle(handle, {{0, 50}, {0, 150}});
    QCOMPARE(m_view->galleryHeight(), 300.0);
}

void TestCanvas::shortGalleryDropsSubtitleThenTilesWithoutOverlap_data()
{
    QTest::addColumn<qreal>("height");
    QTest::addColumn<int>("shown"); // 2: subtitle and tiles, 1: tiles only, 0: header only
    QTest::addRow("95: header alone") << 95.0 << 0;
    for (const qreal height : {100.0, 110.0, 120.0, 130.0, 140.0, 160.0, 180.0, 200.0})
        QTest::addRow("%g", height) << height << -1;
    QTest::addRow("500: everything") << 500.0 << 2;
}

void TestCanvas::shortGalleryDropsSubtitleThenTilesWithoutOverlap()
{
    QFETCH(qreal, height);
    QFETCH(int, shown);
    QVERIFY(makeView());
    m_store->setGalleryOpen(true);
    m_view->setGalleryHeight(height);
    WidgetGallery *gallery = m_view->gallery();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const bool subtitle = gallery->subtitle()->isVisible();
    const bool tiles = gallery->tileArea()->isVisible();
    QVERIFY2(tiles || !subtitle, "the subtitle goes before the tiles");
    if (shown >= 0)
        QCOMPARE(int(subtitle) + int(tiles), shown);

    QList<QWidget *> parts = {gallery->resizeHandle(), gallery->doneButton()};
    for (QWidget *part : {gallery->subtitle(), gallery->tileArea()})
        if (part->isVisible())
            parts.append(part);
    QList<QRect> frames;
    for (QWidget *part : std::as_const(parts)) {
        const QRect frame(part->mapTo(gallery, QPoint(0, 0)), part->size());
        QVERIFY2(gallery->rect().contains(frame), part->metaObject()->className());
        for (const QRect &other : std::as_const(frames))
            QVERIFY2(!frame.intersects(other), part->metaObject()->className());
        frames.append(frame);
    }
}

void TestCanvas::toolbarCloseCallsCloseOnce()
{
    QVERIFY(makeView());
    const QList<DashboardWidget> before = m_store->widgets();
    ToolbarButtonStyle *close = m_view->toolbar()->closeButton();
    QCOMPARE(close->toolTip(), QStringLiteral("Close Dashboard"));
    click(close, close->rect().center());
    QCOMPARE(m_closeCalls, 1);
    QCOMPARE(m_store->widgets(), before);
    QCOMPARE(m_view->toolbar()->geometry(), QRect(0, 0, 1200, 58));
}

void TestCanvas::toolbarTellsWhileChangesCannotBeSaved()
{
    QVERIFY(makeView());
    QLabel *banner = m_view->toolbar()->saveBanner();
    QVERIFY(banner->isHidden());

    m_defaults->setFailWrites(true);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("can't be saved")));
    m_store->remove(QUuid());
    QVERIFY(banner->isVisible());
    QCOMPARE(banner->text(), QStringLiteral("Changes can't be saved: No space left on device"));
    QVERIFY(banner->geometry().right() < m_view->toolbar()->closeButton()->geometry().left());

    m_defaults->setFailWrites(false);
    QTest::ignoreMessage(QtInfoMsg, "corvina: changes are saved again");
    m_store->remove(QUuid());
    QVERIFY(banner->isHidden());
}

void TestCanvas::springSettlesWithoutMuchOvershoot_data()
{
    QTest::addColumn<double>("response");
    QTest::addColumn<double>("damping");
    QTest::addRow("the canvas's spring") << 0.3 << 0.85;
    QTest::addRow("critically damped") << 0.3 << 1.0;
    QTest::addRow("bouncy") << 0.5 << 0.5;
}

void TestCanvas::springSettlesWithoutMuchOvershoot()
{
    QFETCH(double, response);
    QFETCH(double, damping);
    const Spring spring {response, damping};
    QCOMPARE(spring.value(0), 0.0);
    double peak = 0;
    for (double t = 0; t < 3; t += 0.001)
        peak = std::max(peak, spring.value(t));
    // A damped oscillator overshoots by exp(-pi * zeta / sqrt(1 - zeta^2)).
    const double expected
        = damping >= 1 ? 0 : std::exp(-M_PI * damping / std::sqrt(1 - damping * damping));
    QVERIFY2(std::abs((peak - 1) - expected) < 1e-3, qPrintable(QString::number(peak)));
    const double settle = spring.settlingTime();
    for (double t = settle; t < settle + 2; t += 0.01)
        QVERIFY(std::abs(spring.value(t) - 1) < 1e-3);
    if (damping == 0.85)
        QVERIFY(settle < 0.5);
}

void TestCanvas::desktopBlurShrinksAndSoftens()
{
    QVERIFY(DesktopBlur::blur(QImage()).isNull());
    QImage picture(400, 200, QImage::Format_RGB32);
    picture.fill(Qt::black);
    for (int y = 0; y < 200; ++y)
        for (int x = 200; x < 400; ++x)
            picture.setPixel(x, y, qRgb(255, 255, 255));
    const QImage blurred = DesktopBlur::blur(picture);
    QCOMPARE(blurred.size(), QSize(100, 50));
    const int middle = qGray(blurred.pixel(50, 25));
    QVERIFY(middle > 60 && middle < 200); // the hard edge became a ramp
    QCOMPARE(qGray(blurred.pixel(0, 25)), 0);
    QCOMPARE(qGray(blurred.pixel(99, 25)), 255);
}

namespace {

QImage noise(QSize size, QImage::Format format)
{
    QImage image(size, format);
    quint32 state = 12345;
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            const int alpha = format == QImage::Format_RGB32 ? 255 : int(state >> 24);
            image.setPixel(x, y,
                qRgba(qMin(alpha, int(state & 0xff)), qMin(alpha, int((state >> 8) & 0xff)),
                    qMin(alpha, int((state >> 16) & 0xff)), alpha));
        }
    }
    return image;
}

// The plain definition: each channel the truncated mean of the window, edges repeated.
QImage referenceBoxBlur(QImage image, int radius)
{
    for (int pass = 0; pass < 6; ++pass) {
        const bool vertical = pass % 2 == 1;
        const QImage source = image;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                int sums[4] = {0, 0, 0, 0};
                for (int i = -radius; i <= radius; ++i) {
                    const int sx = vertical ? x : std::clamp(x + i, 0, image.width() - 1);
                    const int sy = vertical ? std::clamp(y + i, 0, image.height() - 1) : y;
                    const QRgb p = reinterpret_cast<const QRgb *>(source.constScanLine(sy))[sx];
                    for (int c = 0; c < 4; ++c)
                        sums[c] += int((p >> (8 * c)) & 0xff);
                }
                QRgb out = 0;
                for (int c = 0; c < 4; ++c)
                    out |= QRgb(sums[c] / (2 * radius + 1)) << (8 * c);
                reinterpret_cast<QRgb *>(image.scanLine(y))[x] = out;
            }
        }
    }
    return image;
}

int largestChannelDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest
                = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                    std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}

} // namespace

void TestCanvas::boxBlurIsAClampedRunningMean_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("radius");
    QTest::addColumn<bool>("opaque");
    QTest::newRow("desktop-sized, opaque") << QSize(120, 68) << 6 << true;
    QTest::newRow("shadow, translucent") << QSize(50, 40) << 11 << false;
    QTest::newRow("radius wider than the image") << QSize(5, 3) << 6 << false;
    QTest::newRow("single pixel") << QSize(1, 1) << 2 << true;
    QTest::newRow("single column") << QSize(1, 30) << 3 << false;
}

void TestCanvas::boxBlurIsAClampedRunningMean()
{
    QFETCH(QSize, size);
    QFETCH(int, radius);
    QFETCH(bool, opaque);
    const QImage source
        = noise(size, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    QImage blurred = source;
    boxBlur(blurred, radius, 3);
    QCOMPARE(blurred.format(), source.format());
    QCOMPARE(largestChannelDifference(blurred, referenceBoxBlur(source, radius)), 0);
}

void TestCanvas::roundedFillLooksLikeAFilledPath_data()
{
    QTest::addColumn<QRectF>("rect");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<qreal>("opacity");
    // Tall enough for Qt to fill it on its thread pool, the case the cached image avoids.
    QTest::newRow("key") << QRectF(7, 5, 64, 120) << 1.0 << 1.0;
    QTest::newRow("held key") << QRectF(7, 5, 64, 120) << 1.0 << 0.6;
    QTest::newRow("at 2x") << QRectF(3, 4, 50, 70) << 2.0 << 1.0;
    QTest::newRow("between pixels") << QRectF(3.5, 4.25, 50, 70) << 1.0 << 1.0;
}

void TestCanvas::roundedFillLooksLikeAFilledPath()
{
    QFETCH(QRectF, rect);
    QFETCH(qreal, ratio);
    QFETCH(qreal, opacity);
    const QColor colour = Theme::white(0.14);
    const auto render = [&](auto fill) {
        QImage image = noise(QSize(80, 140) * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(opacity);
        fill(painter);
        return image;
    };
    const QImage cached = render([&](QPainter &p) { fillRoundedRect(p, rect, 12, colour); });
    const QImage path = render([&](QPainter &p) {
        QPainterPath shape;
        shape.addRoundedRect(rect, 12, 12);
        p.fillPath(shape, colour);
    });
    QCOMPARE_LE(largestChannelDifference(cached, path), 2);
}

void TestCanvas::stretchedShadowLooksLikeAWholeOne_data()
{
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("tall card") << QSizeF(360, 410) << 1.0;
    QTest::newRow("wide and short") << QSizeF(520, 120) << 1.0;
    QTest::newRow("card at 2x") << QSizeF(300, 260) << 2.0;
    QTest::newRow("thin bar") << QSizeF(600, 3) << 1.0;
}

void TestCanvas::stretchedShadowLooksLikeAWholeOne()
{
    QFETCH(QSizeF, size);
    QFETCH(qreal, ratio);
    const ShadowLook look {25, true, Theme::black(0.32), 22, QPointF(0, 9)};
    const QMarginsF margins = shadowMargins(look);
    const QSize canvas = QRectF(QPointF(), size).marginsAdded(margins).size().toSize();
    const auto render = [&](auto paint) {
        QImage image(canvas * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paint(painter);
        return image;
    };
    const QPointF at(margins.left(), margins.top());
    const QImage stretched = render([&](QPainter &p) { paintShadow(p, at, size, look); });
    const QImage whole = render([&](QPainter &p) {
        const Shadow shadow = cachedShadow(size, look, ratio);
        p.drawImage(at - shadow.shapeOrigin, shadow.image);
    });
    // Only rounding and the blur's faint far tail differ; a shadow is at most 82 in alpha.
    QCOMPARE_LE(largestChannelDifference(stretched, whole), 3);
}

void TestCanvas::backdropLooksLikeAPaintedScaleUnderTheGradient_data()
{
    QTest::addColumn<QSize>("blurred");
    QTest::addColumn<QSize>("canvas");
    QTest::newRow("a quarter, exactly") << QSize(96, 54) << QSize(384, 216);
    QTest::newRow("a quarter, rounded down") << QSize(85, 48) << QSize(341, 193);
    QTest::newRow("same size") << QSize(40, 30) << QSize(40, 30);
}

void TestCanvas::backdropLooksLikeAPaintedScaleUnderTheGradient()
{
    QFETCH(QSize, blurred);
    QFETCH(QSize, canvas);
    // Smooth enough that only rounding can differ, as a blurred desktop is.
    QImage picture = noise(blurred, QImage::Format_RGB32);
    boxBlur(picture, 2, 3);

    QImage expected(canvas, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    {
        QPainter painter(&expected);
        const QRectF bounds(QPointF(0, 0), QSizeF(canvas));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(bounds, picture);
        QLinearGradient gradient(bounds.topLeft(), bounds.bottomLeft());
        gradient.setColorAt(0, Theme::black(0.08));
        gradient.setColorAt(1, Theme::black(0.38));
        painter.fillRect(bounds, gradient);
    }
    Backdrop backdrop;
    backdrop.setImage(picture);
    backdrop.setSize(canvas, 1.0);
    const QImage composed = backdrop.composed(QRect(QPoint(0, 0), canvas));
    QCOMPARE(composed.size(), canvas);
    QVERIFY(!composed.hasAlphaChannel());
    QVERIFY(largestChannelDifference(composed, expected) <= 3);
}

namespace {

// Bright and dark bands down a blurred desktop: glass sampled from the wrong place or
// scale shows the wrong band.
QImage bandedDesktop(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const int band = (y / 12) % 3;
        const QRgb colour = band == 0 ? qRgb(230, 200, 90)
            : band == 1               ? qRgb(30, 60, 140)
                                      : qRgb(120, 20, 60);
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                x * 3 < size.width() ? colour
                                     : qRgb(qRed(colour) / 2, qGreen(colour), qBlue(colour)));
    }
    boxBlur(image, 2, 3);
    return image;
}

qreal normalisedRmse(const QImage &a, const QImage &b, const QRect &area)
{
    double sum = 0;
    qint64 count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (const int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)})
                sum += double(d) * d;
            count += 3;
        }
    }
    return count ? std::sqrt(sum / double(count)) / 255 : 0;
}

} // namespace

void TestCanvas::glassShowsTheSameDesktopAtEveryRatio_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("galleryOpen");
    QTest::addRow("cards at 1.25") << 1.25 << false;
    QTest::addRow("cards at 1.5") << 1.5 << false;
    QTest::addRow("cards at 2") << 2.0 << false;
    QTest::addRow("gallery at 1.5") << 1.5 << true;
    QTest::addRow("gallery at 2") << 2.0 << true;
}

void TestCanvas::glassShowsTheSameDesktopAtEveryRatio()
{
    QFETCH(qreal, ratio);
    QFETCH(bool, galleryOpen);
    QScreen *hidpi = nullptr;
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->devicePixelRatio() == ratio)
            hidpi = screen;
    }
    if (!hidpi)
        QSKIP("No screen at this ratio");
    QScreen *plain = QGuiApplication::primaryScreen();
    QCOMPARE(plain->devicePixelRatio(), 1.0);

    const QSize size(900, 700);
    const QImage desktop = bandedDesktop(size / DesktopBlur::downscale);
    // Empty cards are glass alone; the notes card adds a face.
    const QList<DashboardWidget> cards = {widgetAt(DashboardWidgetKind::pomodoro, 40, 150),
        widgetAt(DashboardWidgetKind::notes, 530, 260)};
    const auto rendered = [&](const QList<DashboardWidget> &widgets, QScreen *screen) {
        m_store->setWidgets(widgets);
        const QImage image = DashboardRenderer::render(
            *m_store, size, desktop, galleryOpen && !widgets.isEmpty(), screen);
        return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const QRect whole(QPoint(0, 0), size);
    // Where only the canvas's own backdrop shows, the ratio alone differs this little; a
    // misplaced or rescaled desktop under the glass differs by ten times more.
    const qreal baseline = normalisedRmse(rendered({}, plain), rendered({}, hidpi), whole);
    QVERIFY2(baseline <= 0.01, qPrintable(QString::number(baseline)));

    const QImage one = rendered(cards, plain);
    const QImage scaled = rendered(cards, hidpi);
    QList<QRect> areas;
    if (galleryOpen)
        areas.append(DashboardView::galleryFrame(QSizeF(size), 500).toAlignedRect() & whole);
    else
        for (const DashboardWidget &card : cards)
            areas.append(DashboardView::cardFrame(card).toAlignedRect());
    for (const QRect &area : std::as_const(areas)) {
        const qreal error = normalisedRmse(one, scaled, area);
        QVERIFY2(error <= 0.03,
            qPrintable(QStringLiteral("%1 at (%2, %3), empty canvas %4")
                           .arg(error)
                           .arg(area.x())
                           .arg(area.y())
                           .arg(baseline)));
    }
}

void TestCanvas::glassWrittenStraightLooksAsPainted_data()
{
    QTest::addColumn<QPoint>("second");
    QTest::addRow("apart") << QPoint(700, 450);
    QTest::addRow("over the first card and its shadow") << QPoint(180, 150);
}

void TestCanvas::glassWrittenStraightLooksAsPainted()
{
    QFETCH(QPoint, second);
    m_store->setWidgets({widgetAt(DashboardWidgetKind::pomodoro, 60, 80),
        widgetAt(DashboardWidgetKind::pomodoro, second.x(), second.y())});
    QVERIFY(makeView());
    m_view->setBackdrop(bandedDesktop(canvasSize / DesktopBlur::downscale));
    // Plain 32-bit pixels take the direct way, straight ones the painter's paths. Glass that
    // let the card below show through, or took the desktop from elsewhere, differs by more.
    const auto rendered = [&](QImage::Format format) {
        QImage image(canvasSize, format);
        image.fill(Qt::black);
        m_view->render(&image);
        return image.convertToFormat(QImage::Format_RGB32);
    };
    const int difference
        = largestChannelDifference(rendered(QImage::Format_RGB32), rendered(QImage::Format_ARGB32));
    QVERIFY2(difference <= 3, qPrintable(QString::number(difference)));
}

void TestCanvas::backdropComposedAheadIsKeptByOnePaint()
{
    // The clock lies partly on the timer, so only the timer's and the world clock's shadow,
    // glass and face can go ahead. The world clock's dividers fill their own background.
    m_store->setWidgets({widgetAt(DashboardWidgetKind::pomodoro, 60, 80),
        widgetAt(DashboardWidgetKind::clock, 150, 200),
        widgetAt(DashboardWidgetKind::worldClock, 440, 290)});
    QVERIFY(makeView());
    const QImage desktop = bandedDesktop(canvasSize / DesktopBlur::downscale);
    m_view->setBackdrop(desktop);
    QImage painted(canvasSize, QImage::Format_RGB32);
    painted.fill(Qt::black);
    m_view->render(&painted);

    QImage pixels(canvasSize, QImage::Format_RGB32);
    pixels.fill(Qt::black);
    std::promise<QImage> blurred;
    blurred.set_value(desktop);
    const std::shared_future<QImage> picture = blurred.get_future().share();
    m_view->composeAhead(picture, pixels.bits(), pixels.bytesPerLine(), pixels.format());
    m_view->finishAhead();
    const QRect last = m_view->cards().constLast()->geometry();
    const QPoint shadowOnly(last.center().x(), last.bottom() + 6);
    QCOMPARE(pixels.pixel(shadowOnly), painted.pixel(shadowOnly));
    m_view->render(&pixels);
    QCOMPARE(pixels, painted);
    // Only the first paint finds the backdrop there.
    pixels.fill(Qt::black);
    m_view->render(&pixels);
    QCOMPARE(pixels, painted);

    // Faces painted meanwhile are kept by the paint that keeps them, and only by it.
    for (const bool keep : {true, false}) {
        pixels.fill(Qt::black);
        m_view->composeAhead(picture, pixels.bits(), pixels.bytesPerLine(), pixels.format());
        m_view->paintFacesAhead();
        if (keep)
            m_view->paintKeepingFaces([&] { m_view->render(&pixels); });
        else
            m_view->render(&pixels);
        QCOMPARE(pixels, painted);
    }
}

void TestCanvas::renderingWritesOnePicturePerScreenAndNoArrangement()
{
    QTemporaryDir config;
    QTemporaryDir output;
    QVERIFY(config.isValid() && output.isValid());
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const auto result = DashboardRenderer::renderScreens(output.path(), true);
    qunsetenv("XDG_CONFIG_HOME");
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.written.size(), QGuiApplication::screens().size());
    const QImage image(result.written.first());
    QCOMPARE(image.size(), QGuiApplication::primaryScreen()->geometry().size());
    QVERIFY(QDir(config.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)
                .filter(QStringLiteral("dashboard"))
                .isEmpty()
        && !QFileInfo::exists(config.filePath(QStringLiteral("corvina/")
            + FileDefaults::fileNameForKey(DashboardStore::keyForDisplay(QString())))));
}

void TestCanvas::keptThreadsServeJobsThatWaitForLaterOnes()
{
    KeptThreads threads;
    std::promise<void> go;
    std::shared_future<void> started = go.get_future().share();
    // A band waits for the work that its lead starts after it: a busy thread is never
    // handed another job.
    std::future<int> waiting = threads.runWithFuture([started] {
        started.wait();
        return 1;
    });
    std::future<int> releasing = threads.runWithFuture([&go] {
        go.set_value();
        return 2;
    });
    QCOMPARE(waiting.wait_for(10s), std::future_status::ready);
    QCOMPARE(waiting.get() + releasing.get(), 3);
    for (int i = 0; i < 20; ++i)
        threads.runWithFuture([] {}).wait();
    // Kept and woken again, not one per job.
    QVERIFY2(threads.threadCount() < 10, QByteArray::number(threads.threadCount()));
}

// The offscreen platform's one 800 x 600 screen, and beside it three small HiDPI screens,
// so panels can be checked at other ratios and away from the desktop's origin.
int main(int argc, char **argv)
{
    QTemporaryFile screens;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && screens.open()) {
        screens.write(R"({"screens": [
            {"name": "OFF-1", "x": 0, "y": 0, "width": 800, "height": 600, "dpr": 1},
            {"name": "OFF-2", "x": 800, "y": 0, "width": 500, "height": 375, "dpr": 1.25},
            {"name": "OFF-3", "x": 1300, "y": 0, "width": 600, "height": 450, "dpr": 1.5},
            {"name": "OFF-4", "x": 1900, "y": 0, "width": 800, "height": 600, "dpr": 2}]})");
        screens.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    }
    QApplication app(argc, argv);
    TestCanvas test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_canvas.moc"
