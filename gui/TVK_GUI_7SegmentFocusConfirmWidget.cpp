#include "TVK_GUI_7SegmentFocusConfirmWidget.h"

#include <QTimer>

namespace {

QString focusPicture(const char *name)
{
    return QStringLiteral(":/TVK_GUI/images/FocusConfirmation/FocusConfirmation_%1.png").arg(QLatin1String(name));
}

// Indexed by the confirmation value + 2 after clamping to -2..2: negative
// values mean the focus lies to the right.
constexpr const char *kSideNames[] = {"right", "rightCenter", "center", "leftCenter", "left"};

} // namespace

TVK_GUI_7SegmentFocusConfirmWidget::TVK_GUI_7SegmentFocusConfirmWidget(QWidget *parent)
    : TVK_GUI_PictureLabel(parent)
    , m_badSignalTimer(new QTimer(this))
{
    setFixedSize(33, 15);
    m_badSignalTimer->setObjectName(QStringLiteral("tmrFocusBadSig"));
    m_badSignalTimer->setInterval(kBlinkIntervalMs);
    connect(m_badSignalTimer, &QTimer::timeout, this, &TVK_GUI_7SegmentFocusConfirmWidget::catchBadSignalTimer);
    updatePicture();
}

TVK_GUI_7SegmentFocusConfirmWidget::~TVK_GUI_7SegmentFocusConfirmWidget() = default;

QTimer *TVK_GUI_7SegmentFocusConfirmWidget::badSignalTimer() const
{
    return m_badSignalTimer;
}

void TVK_GUI_7SegmentFocusConfirmWidget::setFocusConfirmation(int focusConfirmation)
{
    m_value = focusConfirmation;
    m_noConfirmation = false;
    updatePicture();
}

void TVK_GUI_7SegmentFocusConfirmWidget::setFocusConfirmBadSig(bool badSignal)
{
    m_badSignal = badSignal;
    if (badSignal) {
        if (!m_badSignalTimer->isActive())
            m_badSignalTimer->start();
    } else {
        m_badSignalTimer->stop();
    }
    updatePicture();
}

void TVK_GUI_7SegmentFocusConfirmWidget::setNoFocusConfirmation()
{
    m_noConfirmation = true;
    updatePicture();
}

void TVK_GUI_7SegmentFocusConfirmWidget::catchBadSignalTimer()
{
    m_blinkPhase = !m_blinkPhase;
    updatePicture();
}

void TVK_GUI_7SegmentFocusConfirmWidget::updatePicture()
{
    if (m_noConfirmation) {
        setPicture(focusPicture("none"));
    } else if (m_badSignal) {
        setPicture(focusPicture(m_blinkPhase ? "center" : "none"));
    } else {
        const int index = qBound(-2, m_value, 2) + 2;
        setPicture(focusPicture(kSideNames[index]));
    }
}
