// The yardstick of the configurator's start-up: the least a Qt Widgets program does to
// show a window. quit_when_shown (preloaded by compare.py) ends it after the first paint,
// as it ends the configurator. With the argument "text" the window shows one line of text
// and one of the style's standard icons, so that Qt reads its font database and decodes an
// icon, as any window with a caption and a button does. With "label" it shows the line of
// text alone: what Qt's font database costs a window that shows any text.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    if (argc > 1 && std::strcmp(argv[1], "label") == 0) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("Step 1"), &window));
    } else if (argc > 1 && std::strcmp(argv[1], "text") == 0) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(new QLabel(QStringLiteral("Step 1"), &window));
        auto* button = new QPushButton(QStringLiteral("New Configuration"), &window);
        button->setIcon(window.style()->standardIcon(QStyle::SP_FileIcon));
        layout->addWidget(button);
    }
    window.resize(480, 320);
    window.show();
    return app.exec();
}
