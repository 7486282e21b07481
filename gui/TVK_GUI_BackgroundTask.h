#pragma once

#include <QObject>

#include <functional>
#include <thread>

// One piece of work at a time on a thread of its own, its end handed back to
// the thread this object lives in. What the work writes is seen by done:
// the thread is joined before done runs, which ThreadSanitizer follows too
// (Qt's own futures hand results over under locks it cannot see).
class TVK_GUI_BackgroundTask : public QObject
{
    Q_OBJECT

public:
    explicit TVK_GUI_BackgroundTask(QObject *parent = nullptr);
    // Waits for running work; its done is not called.
    ~TVK_GUI_BackgroundTask() override;

    // Only while not running.
    void start(std::function<void()> work, std::function<void()> done);
    bool isRunning() const { return m_running; }

private:
    void catchDone();

    std::thread m_thread;
    std::function<void()> m_done;
    bool m_running = false;
};
