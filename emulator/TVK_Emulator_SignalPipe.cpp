#include "TVK_Emulator_SignalPipe.h"

#include <QSocketNotifier>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const char byte = char(signalNumber);
    const ssize_t written = ::write(g_pipe[1], &byte, 1);
    (void)written; // a full pipe already holds a signal to act on
}

} // namespace

TVK_Emulator_SignalPipe::TVK_Emulator_SignalPipe(QObject *parent) : QObject(parent) {}

TVK_Emulator_SignalPipe::~TVK_Emulator_SignalPipe()
{
    delete m_notifier;
    for (int &fd : g_pipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

bool TVK_Emulator_SignalPipe::catchSignals(std::initializer_list<int> signalNumbers)
{
    if (g_pipe[0] < 0) {
        if (::pipe(g_pipe) != 0)
            return false;
        for (int fd : g_pipe)
            ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(g_pipe[1], F_SETFL, O_NONBLOCK);
        m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &TVK_Emulator_SignalPipe::readPipe);
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : signalNumbers) {
        if (::sigaction(signalNumber, &action, nullptr) != 0)
            return false;
    }
    return true;
}

void TVK_Emulator_SignalPipe::readPipe()
{
    char byte = 0;
    if (::read(g_pipe[0], &byte, 1) == 1)
        Q_EMIT signalCaught(int(byte));
}
