// A full-screen window that prints every key it receives on standard output, one per line: the
// application a child would try to keep using behind the lock.
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <cstdio>

namespace {
class Probe final : public QWidget
{
protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        std::printf("key %s\n", event->text().toUtf8().constData());
        std::fflush(stdout);
    }
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Probe probe;
    probe.setWindowTitle(QStringLiteral("key probe"));
    probe.showFullScreen();
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
