#include "TVK_GUI_TransferProgressWidget.h"

#include "TVK_Debug_Log.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QHBoxLayout>

#include <cmath>

namespace {

constexpr double kBytesPerMB = 1000.0 * 1000.0;
constexpr qint64 kMinuteMs = 60 * 1000;
// Up to this the minutes are counted, beyond it the hours.
constexpr qint64 kMinutesUpToMs = 90 * kMinuteMs;
constexpr int kBarHeight = 4;
// Fits the 14 pixels of the camera handle strip the panel puts it on.
constexpr int kTextPixelSize = 10;
constexpr int kSpacing = 8;
// The style sheet's left padding of the text, and a little to spare.
constexpr int kTextPadding = 8;
const QString kSeparator = QStringLiteral(" \u00b7 ");

QString megabytes(qint64 bytes)
{
    return QString::number(double(bytes) / kBytesPerMB, 'f', 1);
}

} // namespace

TVK_GUI_TransferProgressWidget::TVK_GUI_TransferProgressWidget(QWidget *parent)
    : QWidget(parent)
    , m_text(new QLabel(this))
    , m_bar(new QProgressBar(this))
{
    m_text->setObjectName(QStringLiteral("lblTransferText"));
    m_bar->setObjectName(QStringLiteral("prbTransfer"));
    m_bar->setRange(0, kBarMaximum);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(kBarHeight);
    QFont small = m_text->font();
    small.setPixelSize(kTextPixelSize);
    m_text->setFont(small);
    // Room for the longest usual text from the start: the bar beside it keeps
    // its length while the numbers change.
    const QString widest = bytesText(qint64(999) * 1000 * 1000, qint64(999) * 1000 * 1000) + kSeparator
                           + remainingText(59 * kMinuteMs);
    m_text->setMinimumWidth(QFontMetrics(small).horizontalAdvance(widest) + kTextPadding);
    // The style sheet's plate behind the text, which a plain widget would not draw.
    setAttribute(Qt::WA_StyledBackground);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, kSpacing / 2, 0);
    layout->setSpacing(kSpacing);
    layout->addWidget(m_text);
    layout->addWidget(m_bar, 1, Qt::AlignVCenter);

    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    m_clock = [timer]() { return timer->elapsed(); };
    hide();
}

TVK_GUI_TransferProgressWidget::~TVK_GUI_TransferProgressWidget() = default;

void TVK_GUI_TransferProgressWidget::setClock(Clock clock)
{
    if (clock)
        m_clock = std::move(clock);
}

QString TVK_GUI_TransferProgressWidget::bytesText(qint64 received, qint64 total)
{
    if (total <= 0 || received > total)
        return tr("%1 MB").arg(megabytes(std::max<qint64>(received, 0)));
    return tr("%1 / %2 MB").arg(megabytes(std::max<qint64>(received, 0)), megabytes(total));
}

QString TVK_GUI_TransferProgressWidget::remainingText(qint64 remainingMs)
{
    if (remainingMs < 0)
        return QString();
    if (remainingMs < kMinuteMs) {
        const int seconds = int((remainingMs + 999) / 1000);
        return tr("%1 s left").arg(seconds);
    }
    if (remainingMs < kMinutesUpToMs) {
        const int minutes = int(std::lround(double(remainingMs) / double(kMinuteMs)));
        return tr("about %n min left", nullptr, minutes);
    }
    const int hours = int(std::lround(double(remainingMs) / double(60 * kMinuteMs)));
    return tr("about %n h left", nullptr, hours);
}

void TVK_GUI_TransferProgressWidget::setTransferProgress(const QString &cameraFileName, qint64 received,
                                                         qint64 total)
{
    TVK_METHOD(prefix);
    if (m_estimate.update(cameraFileName, received, total, m_clock()))
        m_toldWrongTotal = false;
    if (total > 0 && received > total && !m_toldWrongTotal) {
        m_toldWrongTotal = true;
        debugLog(kLELogAlways, "%s - %s: %lld bytes of %lld; only the bytes are shown", prefix,
                 qUtf8Printable(cameraFileName), static_cast<long long>(received), static_cast<long long>(total));
    }
    if (m_estimate.isComplete()) {
        clear();
        return;
    }
    if (!isWorthShowing()) {
        hide();
        return;
    }
    showProgress();
}

void TVK_GUI_TransferProgressWidget::clear()
{
    m_estimate.reset();
    hide();
}

void TVK_GUI_TransferProgressWidget::hideUntilNextStep()
{
    hide();
}

bool TVK_GUI_TransferProgressWidget::isWorthShowing() const
{
    return m_estimate.total() >= kLargeBytes || m_estimate.received() >= kLargeBytes
           || m_estimate.elapsedMs() >= kSlowMs;
}

void TVK_GUI_TransferProgressWidget::showProgress()
{
    QString text = bytesText(m_estimate.received(), m_estimate.total());
    const QString left = remainingText(m_estimate.remainingMs());
    if (!left.isEmpty())
        text += kSeparator + left;
    m_text->setText(text);
    const int perMille = m_estimate.perMille();
    m_bar->setVisible(perMille >= 0);
    if (perMille >= 0)
        m_bar->setValue(perMille);
    show();
}
