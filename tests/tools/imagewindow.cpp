// A full-screen window on every screen showing one picture: a desktop to cover, on
// compositors that draw no wallpaper of their own.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <memory>
#include <vector>

namespace {

class ImageWindow final : public QRasterWindow
{
public:
    explicit ImageWindow(const QImage &image)
        : m_image(image)
    { }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).drawImage(QRect(QPoint(), size()), m_image);
    }

private:
    QImage m_image;
};

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QImage image(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    if (image.isNull())
        return 2;
    std::vector<std::unique_ptr<ImageWindow>> windows;
    for (QScreen *screen : QGuiApplication::screens()) {
        auto window = std::make_unique<ImageWindow>(image);
        window->setScreen(screen);
        window->setGeometry(screen->geometry());
        window->showFullScreen();
        windows.push_back(std::move(window));
    }
    return app.exec();
}
