#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvina"));
    QApplication::setApplicationVersion(QStringLiteral(CORVINA_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    return app.exec();
}
