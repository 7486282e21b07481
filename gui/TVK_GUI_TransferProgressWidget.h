#pragma once

#include "TVK_Logic_TransferEstimate.h"

#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;

// How far the picture in transfer has come: "41.2 / 96.0 MB · 12 s left"
// over a thin bar. It shows only for a picture worth waiting for, one that is
// large or has already taken a while; the small pictures of a fast series come
// and go within a step or two and would only make it flicker. It goes when
// the picture is saved, and when told that the transfer ended otherwise.
class TVK_GUI_TransferProgressWidget : public QWidget
{
    Q_OBJECT

public:
    // A picture of this size (bytes) shows at once...
    static constexpr qint64 kLargeBytes = 8 * 1000 * 1000;
    // ...a smaller one once its transfer has taken this long.
    static constexpr qint64 kSlowMs = 1000;
    // The bar's steps: per mille of the picture.
    static constexpr int kBarMaximum = 1000;

    using Clock = std::function<qint64()>;

    explicit TVK_GUI_TransferProgressWidget(QWidget *parent = nullptr);
    ~TVK_GUI_TransferProgressWidget() override;

    // Milliseconds of a monotonic clock; a test hands in its own.
    void setClock(Clock clock);

    // Child object names "lblTransferText" and "prbTransfer".
    QLabel *textLabel() const { return m_text; }
    QProgressBar *bar() const { return m_bar; }
    const TVK_Logic_TransferEstimate &estimate() const { return m_estimate; }

    // "41.2 / 96.0 MB", or "41.2 MB" without a total that can be trusted.
    static QString bytesText(qint64 received, qint64 total);
    // "12 s left", "about 2 min left", "about 3 h left"; empty when unknown (< 0).
    static QString remainingText(qint64 remainingMs);

public Q_SLOTS:
    void setTransferProgress(const QString &cameraFileName, qint64 received, qint64 total);
    // Nothing is in transfer any more: the picture failed, the series ended or the camera went.
    void clear();
    // Out of sight until the next step, which may come: a warning that need
    // not be about this picture.
    void hideUntilNextStep();

private:
    bool isWorthShowing() const;
    void showProgress();

    TVK_Logic_TransferEstimate m_estimate;
    Clock m_clock;
    QLabel *m_text = nullptr;
    QProgressBar *m_bar = nullptr;
    bool m_toldWrongTotal = false;
};
