#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace mrv {

// Turns SIGINT, SIGTERM and the like into a Qt signal. The handler only writes the signal number
// into a pipe; the work happens later in the event loop, where it is safe. One per process.
class SignalPipe final : public QObject
{
    Q_OBJECT

public:
    explicit SignalPipe(QObject *parent = nullptr);
    ~SignalPipe() override;

    // False (with errno set) when the pipe or a handler could not be set up.
    bool watch(std::initializer_list<int> signalNumbers);

Q_SIGNALS:
    void caught(int signalNumber);

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace mrv
