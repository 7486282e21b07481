#include "TVK_Color_FrameAnalyzer.h"

#include "TVK_Debug_Log.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Histogram = TVK_Color_Histogram;
using Clipping = TVK_Color_Clipping;
using Peaking = TVK_Color_FocusPeaking;

// What the rows of either half are read from and written to. The marks'
// rows are reached by their address, taken once before the halves start:
// QImage::scanLine() of one picture from two threads would race on its
// detach count.
struct Pass {
    const uchar *pixels = nullptr;
    qsizetype pixelsPerLine = 0; // bytes
    int width = 0;
    int height = 0;
    bool histogram = false;
    int step = 1;
    uchar *clipping = nullptr;
    qsizetype clippingPerLine = 0;
    Clipping::Levels levels{};
    uchar *peaking = nullptr;
    qsizetype peakingPerLine = 0;
    int threshold = 0;

    const QRgb *row(int y) const { return reinterpret_cast<const QRgb *>(pixels + y * pixelsPerLine); }
};

// The luminance the peaking needs and the clipping marks, from one reading
// of the row's pixels.
void luminanceAndMarks(const QRgb *row, uchar *luminances, uchar *marks, int width, Clipping::Levels levels)
{
    for (int x = 0; x < width; ++x) {
        const uchar red = uchar(qRed(row[x]));
        const uchar green = uchar(qGreen(row[x]));
        const uchar blue = uchar(qBlue(row[x]));
        luminances[x] = uchar(Histogram::luminance(red, green, blue));
        marks[x] = Clipping::markOf(red, green, blue, levels);
    }
}

// Rows first..end-1 of the picture: their marks and, in tally, their counts.
void analyseRows(const Pass &pass, int first, int end, Histogram::Tally *tally)
{
    if (first >= end)
        return;
    const int width = pass.width;
    const bool peaking = pass.peaking != nullptr;
    // Three rows of luminance for the peaking: above, at and below the row
    // it marks; one for the histogram alone.
    std::vector<uchar> luminances(size_t(peaking ? 3 : 1) * size_t(width));
    // Every aid of one row while its pixels are at hand.
    const auto read = [&pass, tally, width](int y, uchar *rowLuminances) {
        const QRgb *row = pass.row(y);
        const bool counted = pass.histogram && y % pass.step == 0;
        uchar *marks = pass.clipping != nullptr ? pass.clipping + y * pass.clippingPerLine : nullptr;
        if (marks != nullptr && rowLuminances != nullptr)
            luminanceAndMarks(row, rowLuminances, marks, width, pass.levels);
        else if (marks != nullptr)
            Clipping::markRow(row, marks, width, pass.levels);
        else if (rowLuminances != nullptr)
            Histogram::luminanceRow(row, rowLuminances, width);
        if (counted)
            tally->addRow(row, rowLuminances, width, pass.step);
    };
    if (!peaking) {
        // Luminance only of the rows counted, and a row neither marked nor
        // counted is not read at all.
        for (int y = first; y < end; ++y) {
            const bool counted = pass.histogram && y % pass.step == 0;
            if (counted || pass.clipping != nullptr)
                read(y, counted ? luminances.data() : nullptr);
        }
        return;
    }
    uchar *above = luminances.data();
    uchar *here = above + width;
    uchar *below = here + width;
    // The rows just outside this half belong to the other, which marks and
    // counts them; here they are read for their luminance only.
    if (first > 0)
        Histogram::luminanceRow(pass.row(first - 1), above, width);
    read(first, here);
    for (int y = first; y < end; ++y) {
        if (y + 1 < end)
            read(y + 1, below);
        else if (y + 1 < pass.height)
            Histogram::luminanceRow(pass.row(y + 1), below, width);
        uchar *marks = pass.peaking + y * pass.peakingPerLine;
        if (y == 0 || y + 1 == pass.height)
            std::memset(marks, 0, size_t(width)); // the outer rows lack a neighbour
        else
            Peaking::markRow(above, here, below, marks, width, pass.threshold);
        uchar *oldest = above;
        above = here;
        here = below;
        below = oldest;
    }
}

// The lower half of the rows, read by a second thread; or, where that thread
// has not started by the time the upper half is done (a busy machine), by
// the first after all, which then need not wait for it. The second thread
// is let go and may start after the analysis is over, so what the two share
// lives as long as either needs it.
struct LowerHalf {
    LowerHalf(const Pass &pass_, int first_)
        : pass(pass_)
        , first(first_)
    {
    }

    // Whether the caller is the one to read it.
    bool take()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return !std::exchange(taken, true);
    }
    void read()
    {
        analyseRows(pass, first, pass.height, &tally);
        const std::lock_guard<std::mutex> lock(mutex);
        done = true;
        readChanged.notify_all();
    }
    void waitUntilRead()
    {
        std::unique_lock<std::mutex> lock(mutex);
        readChanged.wait(lock, [this] { return done; });
    }

    const Pass pass;
    const int first;
    Histogram::Tally tally;
    std::mutex mutex;
    std::condition_variable readChanged;
    bool taken = false;
    bool done = false;
};

// The memory of the marks of frames the viewer has let go, for the next
// frame's: a fresh block of a frame's size is a page fault every 4 KiB,
// a quarter of the analysis. The frame shown holds its own marks while the
// next is analysed; four blocks kept are the marks of a live-view frame and
// of a quick-view picture, so that neither pushes out the other's.
class MarksMemory
{
public:
    static QImage picture(const QSize &size)
    {
        const qsizetype perLine = (qsizetype(size.width()) + 3) & ~qsizetype(3); // 32-bit aligned rows
        const size_t bytes = size_t(perLine) * size_t(size.height());
        Block *block = instance().take(bytes);
        if (block == nullptr)
            return QImage();
        QImage marks(block->data(), size.width(), size.height(), perLine, QImage::Format_Grayscale8, &MarksMemory::give,
                     block);
        if (marks.isNull())
            std::free(block); // a picture too large for QImage never calls give()
        return marks;
    }

private:
    struct Block {
        size_t bytes;
        uchar *data() { return reinterpret_cast<uchar *>(this + 1); }
    };
    static constexpr size_t kKept = 4;
    static constexpr size_t kKeptBytes = size_t(64) << 20;

    // Never destroyed: a picture may outlive every static object.
    static MarksMemory &instance()
    {
        static auto *memory = new MarksMemory;
        return *memory;
    }

    Block *take(size_t bytes)
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            const auto fits = std::find_if(m_kept.begin(), m_kept.end(), [bytes](Block *block) {
                return block->bytes == bytes;
            });
            if (fits != m_kept.end()) {
                Block *block = *fits;
                m_kept.erase(fits);
                m_keptBytes -= block->bytes;
                return block;
            }
        }
        void *memory = std::malloc(sizeof(Block) + bytes);
        if (memory == nullptr)
            return nullptr;
        return new (memory) Block{bytes};
    }

    static void give(void *info)
    {
        auto *block = static_cast<Block *>(info);
        MarksMemory &memory = instance();
        const std::lock_guard<std::mutex> lock(memory.m_mutex);
        memory.m_kept.insert(memory.m_kept.begin(), block);
        memory.m_keptBytes += block->bytes;
        while (memory.m_kept.size() > kKept || memory.m_keptBytes > kKeptBytes) {
            memory.m_keptBytes -= memory.m_kept.back()->bytes;
            std::free(memory.m_kept.back());
            memory.m_kept.pop_back();
        }
    }

    std::mutex m_mutex;
    std::vector<Block *> m_kept; // the latest first
    size_t m_keptBytes = 0;
};

// An 8-bit picture for marks; null, with a log line, where memory is short.
QImage marksFor(const QSize &size, const char *aid)
{
    QImage marks = MarksMemory::picture(size);
    if (marks.isNull())
        debugLog(kLELogAlways, "TVK_Color_FrameAnalyzer::analyse() - no memory for the %s marks of %d x %d pixels", aid,
                 size.width(), size.height());
    return marks;
}

} // namespace

TVK_Color_FrameAids TVK_Color_FrameAnalyzer::analyse(const QImage &image, const TVK_Color_FrameAids::Choice &choice)
{
    TVK_Color_FrameAids aids;
    aids.sourceKey = image.cacheKey();
    aids.sourceSize = image.size();
    const QImage rgb = Histogram::readable(image);
    if (rgb.isNull() || !choice.any())
        return aids;
    Pass pass;
    pass.pixels = rgb.constBits();
    pass.pixelsPerLine = rgb.bytesPerLine();
    pass.width = rgb.width();
    pass.height = rgb.height();
    pass.histogram = choice.histogram;
    pass.step = std::max(1, choice.histogramStep);
    if (choice.clipping) {
        aids.clipping = marksFor(rgb.size(), "clipping");
        if (!aids.clipping.isNull()) {
            // The class clamps and orders the thresholds.
            pass.clipping = aids.clipping.bits();
            pass.clippingPerLine = aids.clipping.bytesPerLine();
            pass.levels = Clipping(choice.highlight, choice.shadow).levels();
        }
    }
    if (choice.peaking) {
        aids.peaking = marksFor(rgb.size(), "peaking");
        if (!aids.peaking.isNull()) {
            pass.peaking = aids.peaking.bits();
            pass.peakingPerLine = aids.peaking.bytesPerLine();
            pass.threshold = Peaking::thresholdOf(choice.sensitivity);
        }
    }

    const bool halves = pass.height > 1 && qint64(pass.width) * pass.height >= kSplitPixels;
    const int split = halves ? pass.height / 2 : pass.height;
    std::shared_ptr<LowerHalf> lower;
    if (split < pass.height) {
        lower = std::make_shared<LowerHalf>(pass, split);
        try {
            std::thread([lower] {
                if (lower->take())
                    lower->read();
            }).detach();
        } catch (const std::system_error &error) {
            debugLog(kLELogAlways, "TVK_Color_FrameAnalyzer::analyse() - no second thread (%s); one reads all",
                     error.what());
        }
    }
    Histogram::Tally upper;
    analyseRows(pass, 0, split, &upper);
    if (lower != nullptr && lower->take())
        analyseRows(pass, split, pass.height, &lower->tally);
    else if (lower != nullptr)
        lower->waitUntilRead();
    if (choice.histogram) {
        upper.addTo(aids.histogram);
        if (lower != nullptr)
            lower->tally.addTo(aids.histogram);
        aids.hasHistogram = true;
    }
    return aids;
}
