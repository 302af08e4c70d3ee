// Preloaded (LD_PRELOAD) into a Qt Widgets program to time its start: as soon as the
// first top-level window has been painted, the process writes the shared objects it has
// mapped (when PX_STARTUP_MAPS names a file) and ends without tearing anything down. The
// same library ends the bare window and the configurator, so both are timed to the same
// point and neither program carries code for its measurement.
//
// PX_STARTUP_CLICKS="name,name,..." clicks the buttons of these object names first, one
// after each window that newly paints (the button of a window that opens another), so a
// test can see what opening a window loads; PX_STARTUP_TEXTS names a file for the texts of
// the labels shown at the end, one a line.

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QSet>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// Every shared object in /proc/self/maps but this one, one path a line.
void writeMappedLibraries(const QString& target)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return;
    QSet<QByteArray> seen;
    QByteArray list;
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        if (slash < 0)
            continue;
        const QByteArray path = line.mid(slash);
        if (!path.contains(".so") || path.contains("quit_when_shown") || seen.contains(path))
            continue;
        seen.insert(path);
        list += path + '\n';
    }
    QFile out(target);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(list);
}

void writeShownTexts(const QString& target)
{
    QStringList texts;
    for (QWidget* w : QApplication::allWidgets()) {
        if (auto* label = qobject_cast<QLabel*>(w); label && label->isVisible())
            texts << label->text();
    }
    QFile out(target);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        out.write(texts.join(u'\n').toUtf8());
}

void finish()
{
    const QByteArray maps = qgetenv("PX_STARTUP_MAPS");
    if (!maps.isEmpty())
        writeMappedLibraries(QString::fromLocal8Bit(maps));
    const QByteArray texts = qgetenv("PX_STARTUP_TEXTS");
    if (!texts.isEmpty())
        writeShownTexts(QString::fromLocal8Bit(texts));
    _exit(0);
}

class QuitWhenShown final : public QObject {
public:
    QuitWhenShown()
    {
        const QByteArray clicks = qgetenv("PX_STARTUP_CLICKS");
        if (!clicks.isEmpty())
            m_clicks = QString::fromLocal8Bit(clicks).split(u',');
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->isWindow() && !m_painted.contains(widget)) {
                m_painted.insert(widget);
                // After this paint event is done and its backing store flushed.
                QTimer::singleShot(0, this, [this] { step(); });
            }
        }
        return false;
    }

private:
    void step()
    {
        if (m_clicks.isEmpty())
            finish();
        const QString name = m_clicks.takeFirst();
        for (QWidget* w : QApplication::allWidgets()) {
            auto* button = qobject_cast<QAbstractButton*>(w);
            if (button && button->objectName() == name && button->isVisible() && button->isEnabled()) {
                button->click();
                return;
            }
        }
        std::fprintf(stderr, "quit_when_shown: no button %s to click\n", qPrintable(name));
        _exit(3);
    }

    QSet<QWidget*> m_painted;
    QStringList m_clicks;
};

void install()
{
    QCoreApplication::instance()->installEventFilter(new QuitWhenShown);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
