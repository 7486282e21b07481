#include "TVK_GUI_PictureFileLoader.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_BackgroundTask.h"
#include "TVK_Logic_ShotDataReader.h"

#include <QImageReader>

#include <memory>

TVK_GUI_PictureFileLoader::TVK_GUI_PictureFileLoader(QObject *parent)
    : QObject(parent)
    , m_task(new TVK_GUI_BackgroundTask(this))
{
}

TVK_GUI_PictureFileLoader::~TVK_GUI_PictureFileLoader() = default;

TVK_GUI_PictureFileLoader::Result TVK_GUI_PictureFileLoader::load(const QString &path)
{
    TVK_METHOD(prefix);
    Result result;
    result.path = path;
    result.shot = TVK_Logic_ShotDataReader::read(path);
    // As stored: the quick view turns it as it turns the shown picture.
    QImageReader reader(path);
    reader.setAutoTransform(false);
    // A DNG reads as a TIFF of its small first image, if at all: its largest
    // preview is the picture to look at closely.
    const bool raw = path.endsWith(QLatin1String(".dng"), Qt::CaseInsensitive);
    if (!raw)
        result.picture = reader.read();
    if (result.picture.isNull())
        result.picture = TVK_Logic_ShotDataReader::largestPreview(path);
    if (result.picture.isNull())
        debugLog(kLELogQuickView, "%s - \"%s\" has no picture to show at full size", prefix, qUtf8Printable(path));
    return result;
}

bool TVK_GUI_PictureFileLoader::isBusy() const
{
    return m_task->isRunning();
}

void TVK_GUI_PictureFileLoader::request(const QString &path)
{
    m_waiting = path;
    if (!m_task->isRunning())
        start();
}

void TVK_GUI_PictureFileLoader::start()
{
    const QString path = m_waiting;
    m_waiting.clear();
    auto result = std::make_shared<Result>();
    m_task->start([path, result]() { *result = load(path); }, [this, result]() { catchFinished(*result); });
}

void TVK_GUI_PictureFileLoader::catchFinished(const Result &result)
{
    if (!m_waiting.isEmpty()) {
        // A newer picture came while this one was read.
        start();
        return;
    }
    Q_EMIT signalLoaded(result.path, result.shot, result.picture);
}
