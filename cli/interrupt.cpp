#include "interrupt.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

namespace Cli {

namespace {

volatile sig_atomic_t interruptPipe = -1;

extern "C" void onInterrupt(int)
{
    const int fd = interruptPipe;
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
}

} // namespace

InterruptWatcher::InterruptWatcher(QObject *parent) : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    interruptPipe = m_pipe[1];
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // The first Ctrl+C stops the check; the handler then goes, so that a
    // second one ends the program even if the event loop were stuck.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    if (::sigaction(SIGINT, &action, &m_previous) != 0) {
        interruptPipe = -1;
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        }
        emit interrupted();
    });
}

InterruptWatcher::~InterruptWatcher()
{
    if (!m_notifier)
        return;
    ::sigaction(SIGINT, &m_previous, nullptr);
    interruptPipe = -1;
    delete m_notifier;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

} // namespace Cli
