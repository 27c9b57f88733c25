// SPDX-License-Identifier: GPL-3.0-or-later
#include "SignalWatcher.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quaverly {
namespace {

int gSignalFds[2] = {-1, -1};
struct sigaction gOldTerm;
struct sigaction gOldInt;

extern "C" void onSignal(int number)
{
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t n = ::write(gSignalFds[0], &byte, 1);
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalFds) != 0) {
        std::perror("Quaverly: cannot watch for termination signals");
        return;
    }
    ::fcntl(gSignalFds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(gSignalFds[1], F_SETFL, O_NONBLOCK);
    mNotifier = new QSocketNotifier(gSignalFds[1], QSocketNotifier::Read, this);
    connect(mNotifier, &QSocketNotifier::activated, this, &SignalWatcher::readSignal);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &gOldTerm);
    ::sigaction(SIGINT, &action, &gOldInt);
}

SignalWatcher::~SignalWatcher()
{
    if (!mNotifier)
        return;
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
    ::sigaction(SIGINT, &gOldInt, nullptr);
    delete mNotifier;
    ::close(gSignalFds[0]);
    ::close(gSignalFds[1]);
    gSignalFds[0] = gSignalFds[1] = -1;
}

void SignalWatcher::readSignal()
{
    char byte = 0;
    while (::read(gSignalFds[1], &byte, 1) == 1) {
    }
    // exit(), not quit(): quit() is ignored until the main loop runs, and a
    // signal may come while the start-up alert runs its own loop.
    QCoreApplication::exit(0);
}

} // namespace quaverly
