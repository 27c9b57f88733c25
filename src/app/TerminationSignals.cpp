// SPDX-License-Identifier: GPL-3.0-or-later
#include "TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace quaverly {

#if defined(Q_OS_UNIX)

namespace {

int gSignalFds[2] = {-1, -1};

extern "C" void onSignal(int number)
{
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t n = ::write(gSignalFds[0], &byte, 1);
    errno = saved;
}

// SOCK_CLOEXEC and SOCK_NONBLOCK are Linux's; macOS sets them apart.
bool makePrivateNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

} // namespace

// Self-pipe: the handler only writes one byte.
void watchTerminationSignals(QObject *context)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalFds) != 0 || !makePrivateNonBlocking(gSignalFds[0])
        || !makePrivateNonBlocking(gSignalFds[1])) {
        std::perror("Quaverly: cannot watch for termination signals");
        return;
    }
    auto *notifier = new QSocketNotifier(gSignalFds[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char byte = 0;
        while (::read(gSignalFds[1], &byte, 1) == 1) {
        }
        // exit(), not quit(): quit() is ignored until the main loop runs, and
        // a signal may come while the start-up alert runs its own loop.
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

#else

void watchTerminationSignals(QObject *) {}

#endif

} // namespace quaverly
