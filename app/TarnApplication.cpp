#include "TarnApplication.h"

#include "ErrorReport.h"
#include "Fonts.h"

#include <QIcon>
#include <QSocketNotifier>

#include <csignal>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

static sigset_t terminationSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

TarnApplication::TarnApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("TarnPromotion"));
    // The icon of the window, and the desktop entry that desktops match it with.
    Q_INIT_RESOURCE(icons);
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tarnpromotion-%1.png").arg(size));
    setWindowIcon(icon);
    setDesktopFileName(QStringLiteral("tarnpromotion"));
    installChineseFontSubstitutes();
}

bool TarnApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorReport::show(std::current_exception());
        return false;
    }
}

void TarnApplication::blockTerminationSignals()
{
    const sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void TarnApplication::quitOnTerminationSignals()
{
    const sigset_t set = terminationSignals();
    const int fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0)
        return;
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [fd] {
        signalfd_siginfo info;
        while (::read(fd, &info, sizeof info) == ssize_t(sizeof info)) {
        }
        QApplication::closeAllWindows();
        QApplication::quit();
    });
}
