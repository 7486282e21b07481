#include "TVK_GUI_PictureAnalysis.h"

#include "TVK_Color_FrameAnalyzer.h"
#include "TVK_GUI_BackgroundTask.h"

#include <algorithm>
#include <memory>

TVK_GUI_PictureAnalysis::TVK_GUI_PictureAnalysis(QObject *parent)
    : QObject(parent)
    , m_task(new TVK_GUI_BackgroundTask(this))
{
}

TVK_GUI_PictureAnalysis::~TVK_GUI_PictureAnalysis() = default;

QImage TVK_GUI_PictureAnalysis::analysedPicture(const QImage &picture)
{
    if (picture.isNull() || std::max(picture.width(), picture.height()) <= kLongSide)
        return picture;
    // Nearest pixels, not smoothed ones: a smoothed highlight would no longer clip.
    return picture.scaled(kLongSide, kLongSide, Qt::KeepAspectRatio, Qt::FastTransformation);
}

TVK_Color_FrameAids TVK_GUI_PictureAnalysis::analyse(const QImage &picture, const TVK_Color_FrameAids::Choice &choice)
{
    return TVK_Color_FrameAnalyzer::analyse(analysedPicture(picture), choice);
}

bool TVK_GUI_PictureAnalysis::isBusy() const
{
    return m_task->isRunning();
}

void TVK_GUI_PictureAnalysis::request(const QImage &picture, const TVK_Color_FrameAids::Choice &choice)
{
    m_stale = m_task->isRunning();
    if (picture.isNull() || !choice.any()) {
        m_hasWaiting = false;
        m_waiting = QImage();
        return;
    }
    m_waiting = picture;
    m_waitingChoice = choice;
    m_hasWaiting = true;
    if (!m_task->isRunning())
        start();
}

void TVK_GUI_PictureAnalysis::start()
{
    const QImage picture = m_waiting;
    const TVK_Color_FrameAids::Choice choice = m_waitingChoice;
    m_waiting = QImage();
    m_hasWaiting = false;
    m_stale = false;
    auto result = std::make_shared<TVK_Color_FrameAids>();
    m_task->start([picture, choice, result]() { *result = analyse(picture, choice); },
                  [this, result]() { catchFinished(*result); });
}

void TVK_GUI_PictureAnalysis::catchFinished(const TVK_Color_FrameAids &aids)
{
    const bool stale = m_stale;
    if (m_hasWaiting)
        start();
    if (!stale)
        Q_EMIT signalAnalysed(aids);
}
