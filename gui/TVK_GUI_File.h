#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

namespace Ui {
class TVK_GUI_File;
}

// The " File Settings" tab: file format, DNG compression, JPG colour space
// and resolution, sensor format, photo aspect ratio, the DNG and JPG download
// folders, the picture index and file name, and an example name. The video
// settings have no place here; their slots exist so that the panel can route
// every file setting alike.
class TVK_GUI_File : public QWidget
{
    Q_OBJECT

public:
    explicit TVK_GUI_File(QWidget *parent = nullptr);
    ~TVK_GUI_File() override;

    // The example name as given, before eliding.
    QString pictureExample() const { return m_pictureExample; }

Q_SIGNALS:
    void signalFileFormat(const QString &text);
    void signalDngCompression(const QString &text);
    void signalDngPath(const QString &path);
    void signalJpgColorSpace(const QString &text);
    void signalJpgResolution(const QString &text);
    void signalSensorFormat(const QString &text);
    void signalPhotoAspectRatio(const QString &text);
    void signalVideoFileFormat(const QString &text);
    void signalVideoResAndFrRate(const QString &text);
    void signalVideoFormatResol(const QString &text);
    void signalJpgPath(const QString &path);
    void signalPictureName(const QString &name);
    void signalPictureIndex(int index);

public Q_SLOTS:
    void setLiveViewMode(int mode);
    void setFileFormatList(const QStringList &list);
    void setFileFormat(int code);
    void setFileFormat(const QString &text);
    void setHasDngCompression(bool has);
    void setUseDngCompression(bool use);
    void setDngCompressionList(const QStringList &list);
    void setDngCompression(const QString &text);
    void setHasJpgColorSpace(bool has);
    void setUseJpgColorSpace(bool use);
    void setJpgColorSpaceList(const QStringList &list);
    void setJpgColorSpace(const QString &text);
    void setHasJpgResolution(bool has);
    void setUseJpgResolution(bool use);
    void setJpgResolutionList(const QStringList &list);
    void setJpgResolution(const QString &text);
    void setHasSensorFormat(bool has);
    void setSensorFormatList(const QStringList &list);
    void setSensorFormat(const QString &text);
    void setHasPhotoAspectRatio(bool has);
    void setPhotoAspectRatioList(const QStringList &list);
    void setPhotoAspectRatio(const QString &text);
    void setHasVideoFileFormat(bool has);
    void setVideoFileFormatList(const QStringList &list);
    void setVideoFileFormat(const QString &text);
    void setHasVideoResAndFrRate(bool has);
    void setVideoResAndFrRateList(const QStringList &list);
    void setVideoResAndFrRate(const QString &text);
    void setHasVideoFormatResol(bool has);
    void setVideoFormatResolList(const QStringList &list);
    void setVideoFormatResol(const QString &text);
    void setDngPath(const QString &path);
    void setJpgPath(const QString &path);
    void setPictureExample(const QString &example);
    void setPictureName(const QString &name);
    void setPictureIndex(int index);

private Q_SLOTS:
    void catchPictureIndexEdited(const QString &text);
    // Only a stem that makes a file name is passed on; leaving the field
    // with another brings back the last good one.
    void catchPictureNameEdited(const QString &text);
    void catchPictureNameFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void bindLists();
    void showElidedExample();

    Ui::TVK_GUI_File *ui;
    QString m_pictureExample;
    QString m_pictureName;
};
