#include "TVK_GUI_LoadIndicatorWidget.h"

#include <QTimer>

TVK_GUI_LoadIndicatorWidget::TVK_GUI_LoadIndicatorWidget(QWidget *parent)
    : TVK_GUI_PictureLabel(parent)
    , m_loadImageTimer(new QTimer(this))
{
    setFixedSize(79, 26);
    m_loadImageTimer->setObjectName(QStringLiteral("tmrLoadImage"));
    m_loadImageTimer->setInterval(kFrameIntervalMs);
    connect(m_loadImageTimer, &QTimer::timeout, this, &TVK_GUI_LoadIndicatorWidget::catchLoadImageTimer);
    updateLoadImage();
}

TVK_GUI_LoadIndicatorWidget::~TVK_GUI_LoadIndicatorWidget() = default;

QTimer *TVK_GUI_LoadIndicatorWidget::loadImageTimer() const
{
    return m_loadImageTimer;
}

int TVK_GUI_LoadIndicatorWidget::frame() const
{
    return m_frame;
}

void TVK_GUI_LoadIndicatorWidget::setLoading(bool isLoading)
{
    if (isLoading) {
        m_loadImageTimer->start();
        return;
    }
    m_loadImageTimer->stop();
    m_frame = 0;
    updateLoadImage();
}

void TVK_GUI_LoadIndicatorWidget::catchLoadImageTimer()
{
    m_frame = (m_frame == 0 || m_frame == kFrameCount) ? 1 : m_frame + 1;
    updateLoadImage();
}

void TVK_GUI_LoadIndicatorWidget::updateLoadImage()
{
    setPicture(m_frame == 0 ? QStringLiteral(":/TVK_GUI/images/LoadEffect/LoadEffectDefault.png")
                            : QStringLiteral(":/TVK_GUI/images/LoadEffect/LoadEffect%1.png").arg(m_frame));
}
