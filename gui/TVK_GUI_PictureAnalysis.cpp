#include "TVK_GUI_PictureAnalysis.h"

#include "TVK_Color_FrameAnalyzer.h"

#include <QtConcurrent>

#include <algorithm>

TVK_GUI_PictureAnalysis::TVK_GUI_PictureAnalysis(QObject *parent)
    : QObject(parent)
{
    connect(&m_watcher, &QFutureWatcher<TVK_Color_FrameAids>::finished, this,
            &TVK_GUI_PictureAnalysis::catchFinished);
}

TVK_GUI_PictureAnalysis::~TVK_GUI_PictureAnalysis()
{
    // The task holds only its own copies; waiting keeps it from outliving
    // the watcher that would hear of its end.
    m_watcher.waitForFinished();
}

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

void TVK_GUI_PictureAnalysis::request(const QImage &picture, const TVK_Color_FrameAids::Choice &choice)
{
    m_stale = m_running;
    if (picture.isNull() || !choice.any()) {
        m_hasWaiting = false;
        m_waiting = QImage();
        return;
    }
    m_waiting = picture;
    m_waitingChoice = choice;
    m_hasWaiting = true;
    if (!m_running)
        start();
}

void TVK_GUI_PictureAnalysis::start()
{
    const QImage picture = m_waiting;
    const TVK_Color_FrameAids::Choice choice = m_waitingChoice;
    m_waiting = QImage();
    m_hasWaiting = false;
    m_stale = false;
    m_running = true;
    m_watcher.setFuture(QtConcurrent::run([picture, choice]() { return analyse(picture, choice); }));
}

void TVK_GUI_PictureAnalysis::catchFinished()
{
    const bool stale = m_stale;
    const TVK_Color_FrameAids aids = m_watcher.result();
    m_running = false;
    if (m_hasWaiting)
        start();
    if (!stale)
        Q_EMIT signalAnalysed(aids);
}
