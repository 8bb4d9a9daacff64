#pragma once

#include <QObject>

#include <csignal>

class QSocketNotifier;

namespace Cli {

// Turns Ctrl+C in a terminal (SIGINT) into a signal of the event loop, so
// that a long check stops at once and still reports what it found. The
// handler only writes a byte to a pipe, the one thing safe to do there; a
// second Ctrl+C ends the program the usual way. While it lives, it is the
// process's only handler of SIGINT: make one at a time.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

    // Whether SIGINT is watched: false when the pipe or the handler could
    // not be set up, and Ctrl+C ends the program as it would without.
    bool isWatching() const { return m_notifier != nullptr; }

signals:
    void interrupted();

private:
    int m_pipe[2] = {-1, -1};
    QSocketNotifier *m_notifier = nullptr;
    struct sigaction m_previous = {};
};

} // namespace Cli
