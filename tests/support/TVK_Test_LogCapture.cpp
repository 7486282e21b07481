#include "TVK_Test_LogCapture.h"

#include "TVK_Debug_Log.h"

#include <mutex>

namespace {

std::mutex g_mutex;
QStringList g_lines;

void captureHandler(QtMsgType, const QMessageLogContext &, const QString &text)
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    g_lines.append(text);
}

void setMask(quint32 mask)
{
    setDebugLogCategories(int(0xFFFFFFFFu), false);
    setDebugLogCategories(int(mask), true);
}

} // namespace

TVK_Test_LogCapture::TVK_Test_LogCapture(quint32 mask)
    : m_previousMask(debugLogCategories())
{
    clear();
    setMask(mask);
    m_previousHandler = qInstallMessageHandler(captureHandler);
}

TVK_Test_LogCapture::~TVK_Test_LogCapture()
{
    qInstallMessageHandler(m_previousHandler);
    setMask(m_previousMask);
}

QStringList TVK_Test_LogCapture::lines() const
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    return g_lines;
}

bool TVK_Test_LogCapture::contains(const QString &line) const
{
    return lines().contains(line);
}

QStringList TVK_Test_LogCapture::matching(const QString &fragment) const
{
    return lines().filter(fragment);
}

void TVK_Test_LogCapture::clear()
{
    const std::lock_guard<std::mutex> locker(g_mutex);
    g_lines.clear();
}
