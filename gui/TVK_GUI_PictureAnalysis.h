#pragma once

#include "TVK_Color_FrameAids.h"

#include <QImage>
#include <QObject>

class TVK_GUI_BackgroundTask;

// The aids of a shown picture, made off the GUI thread: the picture is first
// brought down to the size a screen shows (a 24-megapixel file need not be
// judged pixel by pixel to show where it clips), then analysed. Only the
// newest request's result comes out; one asked for while another runs waits
// for it and replaces any that waited before.
class TVK_GUI_PictureAnalysis : public QObject
{
    Q_OBJECT

public:
    // The long side of the picture analysed.
    static constexpr int kLongSide = 1600;

    explicit TVK_GUI_PictureAnalysis(QObject *parent = nullptr);
    ~TVK_GUI_PictureAnalysis() override;

    // The picture scaled as it is analysed (unchanged when small enough).
    static QImage analysedPicture(const QImage &picture);
    static TVK_Color_FrameAids analyse(const QImage &picture, const TVK_Color_FrameAids::Choice &choice);

    // A null picture or a choice of nothing cancels what waits.
    void request(const QImage &picture, const TVK_Color_FrameAids::Choice &choice);
    // Until the result of the last started analysis was handled.
    bool isBusy() const;

Q_SIGNALS:
    // For the picture of the last request.
    void signalAnalysed(const TVK_Color_FrameAids &aids);

private:
    void start();
    void catchFinished(const TVK_Color_FrameAids &aids);

    TVK_GUI_BackgroundTask *m_task;
    QImage m_waiting;
    TVK_Color_FrameAids::Choice m_waitingChoice;
    bool m_hasWaiting = false;
    // The result of the running analysis is stale: a newer request came.
    bool m_stale = false;
};
