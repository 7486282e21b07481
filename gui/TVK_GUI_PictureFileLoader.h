#pragma once

#include "TVK_Logic_ShotData.h"

#include <QImage>
#include <QObject>
#include <QString>

class TVK_GUI_BackgroundTask;

// Reads a saved picture file for the quick view, off the GUI thread: what
// it says of its shot, and the picture at full size for the loupe (the JPG
// itself, or the largest preview a DNG carries), upright by its orientation.
// Only the file asked for last is reported.
class TVK_GUI_PictureFileLoader : public QObject
{
    Q_OBJECT

public:
    struct Result {
        QString path;
        TVK_Logic_ShotData shot;
        QImage picture; // null when the file has none that can be shown
    };

    explicit TVK_GUI_PictureFileLoader(QObject *parent = nullptr);
    ~TVK_GUI_PictureFileLoader() override;

    static Result load(const QString &path);

    void request(const QString &path);
    bool isBusy() const;

Q_SIGNALS:
    void signalLoaded(const QString &path, const TVK_Logic_ShotData &shot, const QImage &picture);

private:
    void start();
    void catchFinished(const Result &result);

    TVK_GUI_BackgroundTask *m_task;
    QString m_waiting;
};
