// The calculator and notes cards under a real X server, driven by xdotool as a user's
// mouse and keyboard would: a click on the card's padding hands the calculator the
// keyboard, and typing in a note writes every keystroke through.
#include "calculatorwidget.h"
#include "dashboardstore.h"
#include "fakedefaults.h"
#include "noteswidget.h"
#include "widgetcard.h"
#include "xvfbdisplay.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString kKey = QStringLiteral("dashboard.widgets.display.X11.v1");

bool xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    // Keep Qt's event loop turning while xdotool talks to the server.
    QDeadlineTimer deadline(10000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        process.waitForFinished(10);
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool clickAt(QPoint global)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(global.x()),
        QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
}

// Puts `text` on the clipboard from another client, as copying in another program would.
bool xclipCopy(const QString &text)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
            QStringLiteral("UTF8_STRING"), QStringLiteral("-i")});
    if (!xclip.waitForStarted(5000))
        return false;
    xclip.write(text.toUtf8());
    xclip.closeWriteChannel();
    // The parent exits once its child owns the selection.
    return xclip.waitForFinished(10000) && xclip.exitCode() == 0;
}

bool type(const QString &text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
}

} // namespace

class TestInteractiveX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void clickOnCardPaddingThenTypeUsesTheCalculator();
    void typingInNotesSavesEachKeystroke();
    void noteKeepsExactlyWhatIsPasted();

private:
    FakeDefaults m_defaults;
    std::unique_ptr<DashboardStore> m_store;
    std::unique_ptr<QWidget> m_window;
    WidgetCard *m_calculator = nullptr;
    WidgetCard *m_notes = nullptr;
};

void TestInteractiveX11::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs Xvfb");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs xdotool");
}

void TestInteractiveX11::init()
{
    m_store = std::make_unique<DashboardStore>(m_defaults, kKey, false);
    m_store->setWidgets({DashboardWidget::make(DashboardWidgetKind::calculator, 20, 20),
        DashboardWidget::make(DashboardWidgetKind::notes, 340, 20)});
    m_window = std::make_unique<QWidget>();
    m_window->setGeometry(0, 0, 700, 460);
    m_window->setStyleSheet(QStringLiteral("background: #30364a;"));
    m_calculator = new WidgetCard(*m_store, m_store->widgets()[0].id,
        DashboardWidgetKind::calculator, {}, {}, m_window.get());
    m_calculator->setGeometry(20, 20, 300, 410);
    m_notes = new WidgetCard(
        *m_store, m_store->widgets()[1].id, DashboardWidgetKind::notes, {}, {}, m_window.get());
    m_notes->setGeometry(340, 20, 330, 300);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_defaults.resetCounts();
}

void TestInteractiveX11::cleanup()
{
    m_window.reset();
    m_store.reset();
}

void TestInteractiveX11::clickOnCardPaddingThenTypeUsesTheCalculator()
{
    auto *face = qobject_cast<CalculatorWidget *>(m_calculator->face());
    QVERIFY(face);
    // The left padding of the card, beside the keypad: not part of the face.
    QVERIFY(clickAt(m_calculator->mapToGlobal(QPoint(8, 300))));
    QTRY_VERIFY_WITH_TIMEOUT(face->hasFocus(), 3000);

    QVERIFY(type(QStringLiteral("12+3")));
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Return")}));
    QTRY_COMPARE_WITH_TIMEOUT(face->displayText(), QStringLiteral("15"), 3000);
    QCOMPARE(m_store->widgets()[0].calculator->display, QStringLiteral("15"));
    QCOMPARE(m_defaults.writes(kKey), 5);
}

void TestInteractiveX11::typingInNotesSavesEachKeystroke()
{
    auto *face = qobject_cast<NotesWidget *>(m_notes->face());
    QVERIFY(face);
    QPlainTextEdit *editor = face->editor();
    QVERIFY(clickAt(editor->mapToGlobal(editor->rect().center())));
    QTRY_VERIFY_WITH_TIMEOUT(editor->hasFocus(), 3000);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+End")}));
    QVERIFY(type(QStringLiteral(" ok")));
    QTRY_VERIFY_WITH_TIMEOUT(m_store->widgets()[1].note.endsWith(QStringLiteral(" ok")), 3000);
    QCOMPARE(m_defaults.writes(kKey), 3);
}

void TestInteractiveX11::noteKeepsExactlyWhatIsPasted()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
        QSKIP("needs xclip");
    auto *face = qobject_cast<NotesWidget *>(m_notes->face());
    QVERIFY(face);
    QPlainTextEdit *editor = face->editor();
    // Showing gives no field the keyboard; a click does.
    QVERIFY(!editor->hasFocus());
    const QString text = u"100\u00A0\u20AC and\u2028line\r\nnext"_qs;
    QVERIFY(xclipCopy(text));
    QVERIFY(clickAt(editor->mapToGlobal(editor->rect().center())));
    QTRY_VERIFY_WITH_TIMEOUT(editor->hasFocus(), 3000);
    QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("ctrl+v")}));
    QTRY_COMPARE_WITH_TIMEOUT(m_store->widgets()[1].note, text, 3000);
}

CORVINA_XVFB_TEST_MAIN(TestInteractiveX11)

#include "tst_interactive_x11.moc"
