#include "clipboardwidget.h"
#include "pasteboard.h"
#include "readtext.h"
#include "xvfbdisplay.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

// Puts `data` on the X clipboard from another client, as a user copying in another app would.
bool xclipCopy(const QByteArray &data, const QString &type = QStringLiteral("UTF8_STRING"))
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), type,
            QStringLiteral("-i")});
    if (!xclip.waitForStarted(5000))
        return false;
    xclip.write(data);
    xclip.closeWriteChannel();
    // xclip forks a child that serves the selection; the parent exits once it owns it.
    return xclip.waitForFinished(10000) && xclip.exitCode() == 0;
}

QByteArray pngImage()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace

class TestClipboardX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pasteboardFollowsOtherClients();
    void faceFollowsTheClipboardWithinASecond();

private:
    bool m_ready = false;
};

void TestClipboardX11::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs Xvfb");
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
        QSKIP("needs xclip");
}

void TestClipboardX11::pasteboardFollowsOtherClients()
{
    SystemPasteboard pasteboard;
    const qint64 start = pasteboard.changeCount();

    QVERIFY(xclipCopy("hello from xclip"));
    QTRY_VERIFY_WITH_TIMEOUT(pasteboard.changeCount() > start, 1000);
    QCOMPARE(readTextOf(pasteboard), std::optional<QString>(QStringLiteral("hello from xclip")));

    const qint64 afterText = pasteboard.changeCount();
    QVERIFY(xclipCopy("hello from xclip"));
    QTRY_VERIFY_WITH_TIMEOUT(pasteboard.changeCount() > afterText, 1000);

    // Megabytes come in many pieces (INCR), read off the main thread: all of them, in order.
    QString large;
    for (int i = 0; large.size() < 3'000'000; ++i)
        large += QStringLiteral("line %1 \u00E9\u20AC\n").arg(i);
    const qint64 afterSame = pasteboard.changeCount();
    QVERIFY(xclipCopy(large.toUtf8()));
    QTRY_VERIFY_WITH_TIMEOUT(pasteboard.changeCount() > afterSame, 1000);
    QCOMPARE(readTextOf(pasteboard), std::optional<QString>(large));

    const qint64 afterLarge = pasteboard.changeCount();
    QVERIFY(xclipCopy(pngImage(), QStringLiteral("image/png")));
    QTRY_VERIFY_WITH_TIMEOUT(pasteboard.changeCount() > afterLarge, 1000);
    QCOMPARE(readTextOf(pasteboard), std::optional<QString>());
}

void TestClipboardX11::faceFollowsTheClipboardWithinASecond()
{
    SystemPasteboard pasteboard;
    ClipboardWidget face(&pasteboard);
    face.resize(290, 190);
    face.show();
    QVERIFY(QTest::qWaitForWindowExposed(&face));

    QVERIFY(xclipCopy("copied in another program"));
    QTRY_COMPARE_WITH_TIMEOUT(face.text(), QStringLiteral("copied in another program"), 1500);

    QVERIFY(xclipCopy(pngImage(), QStringLiteral("image/png")));
    QTRY_COMPARE_WITH_TIMEOUT(face.text(), QStringLiteral("No text on the clipboard"), 1500);

    // The same text twice: the second copy is read again, and the text stays.
    QVERIFY(xclipCopy("twice"));
    QTRY_COMPARE_WITH_TIMEOUT(face.text(), QStringLiteral("twice"), 1500);
    const qint64 seen = face.changeCount();
    QVERIFY(xclipCopy("twice"));
    QTRY_VERIFY_WITH_TIMEOUT(face.changeCount() > seen, 1500);
    QCOMPARE(face.text(), QStringLiteral("twice"));
}

CORVINA_XVFB_TEST_MAIN(TestClipboardX11)

#include "tst_clipboard_x11.moc"
