#pragma once

#include <QImage>
#include <QVariant>

#include <functional>

// A stage the user interface lays into the live-view stream: it runs in the
// controller thread on every decoded frame, before the frame is handed on,
// and what it returns goes out just ahead of that frame. The model does not
// know what it computes; an empty function is no stage.
using TVK_Logic_FrameAnalysis = std::function<QVariant(const QImage &frame)>;
