#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns the process's signals (SIGINT, SIGTERM, ...) into a Qt signal on the
// event loop, for the emulator's own programs: the handler only writes one
// byte to a pipe, since nothing else is safe in it; the rest happens in the
// loop. One per process, made before the loop runs.
class TVK_Emulator_SignalPipe : public QObject
{
    Q_OBJECT

public:
    explicit TVK_Emulator_SignalPipe(QObject *parent = nullptr);
    ~TVK_Emulator_SignalPipe() override;

    TVK_Emulator_SignalPipe(const TVK_Emulator_SignalPipe &) = delete;
    TVK_Emulator_SignalPipe &operator=(const TVK_Emulator_SignalPipe &) = delete;

    // False, with errno set, when the pipe or a handler cannot be made.
    bool catchSignals(std::initializer_list<int> signalNumbers);

Q_SIGNALS:
    void signalCaught(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};
