// The yardstick of the configurator's start-up: the least a Qt Widgets program does to
// show a window. quit_when_shown (preloaded by compare.py) ends it after the first paint,
// as it ends the configurator.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(480, 320);
    window.show();
    return app.exec();
}
