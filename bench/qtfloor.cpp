// A yardstick, not part of the program: the least a Qt Widgets terminal can do for each chunk
// the device sends. It wakes on the port, reads what is there and repaints one label with the
// byte count; no list, no time stamps, no pause to gather a chunk. Run it where Tellurix runs
// (the side-by-side harness, as a custom target) to see how much of Tellurix's cost per answer
// is Qt's and the X server's rather than its own.
//   qtfloor PATH    PATH: a pty or a serial device, opened raw
#include <QApplication>
#include <QLabel>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qtfloor PATH\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios mode{};
    const bool raw = fd >= 0 && ::tcgetattr(fd, &mode) == 0
        && (::cfmakeraw(&mode), ::tcsetattr(fd, TCSANOW, &mode) == 0);
    if (!raw) {
        std::fprintf(stderr, "qtfloor: %s: %s\n", argv[1], std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return 1;
    }

    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.resize(800, 600);
    auto *count = new QLabel(QStringLiteral("0"), &window);
    (new QVBoxLayout(&window))->addWidget(count);
    qint64 total = 0;
    QSocketNotifier readable(fd, QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
            total += got;
        count->setText(QString::number(total));
    });
    window.show();
    const int result = app.exec();
    ::close(fd);
    return result;
}
