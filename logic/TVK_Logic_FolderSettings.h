#pragma once

#include <QObject>
#include <QString>

#include <mutex>

// Where downloaded pictures go and how they are named: a folder for DNG
// files, a folder for JPG files, a file-name stem and a running picture
// number, plus the camera's own name of the last picture. From these it keeps
// the example file name (the name the next picture will get) and announces
// every rebuild of it.
//
// Folders are kept with forward slashes whatever the platform; the getters
// hand them out with the platform's native separators.
//
// A transfer thread advances the number while the controller thread reads the
// names for the panel, so every member is read and written under one mutex;
// the signal is emitted after it is released. A transfer's read, name and
// advance are one step because transfers hold the camera's access lock.
// signalPictureExampleChanged reaches the user interface queued.
class TVK_Logic_FolderSettings : public QObject
{
    Q_OBJECT

public:
    // The four values the settings file keeps for a product.
    struct Record {
        QString dngPictureFolder;
        QString jpgPictureFolder;
        QString pictureNewFileName;
        int pictureNumber = 1;
    };

    // The number is written with at least this many digits (leading zeros);
    // a larger number is written in full.
    static constexpr int kPictureNumberDigits = 5;
    // A file name never carries a minus sign: smaller numbers are raised to this.
    static constexpr int kLowestPictureNumber = 0;

    // The platform's pictures folder (forward slashes), worked out once per
    // process; empty when the platform knows none.
    static QString defaultPictureFolder();
    // The stem used when none is set: "Picture".
    static QString defaultPictureFileName();

    explicit TVK_Logic_FolderSettings(QObject *parent = nullptr);
    ~TVK_Logic_FolderSettings() override;

    // With native separators.
    QString dngPictureFolder() const;
    QString jpgPictureFolder() const;
    QString pictureExampleFileName() const;

    QString pictureNewFileName() const;
    QString pictureOrgFileName() const;
    int pictureNumber() const;
    bool pictureExampleIsDng() const;

    // Takes the persisted values in the fixed order the settings file expects
    // (folders, stem and number, then the defaults for whatever is empty; a
    // stem that is no file name counts as empty, with a log line); each step
    // that changes something rebuilds the example.
    void load(const Record &record);
    // Writes every field to the log (always; callers check the category).
    void dump(const QString &title) const;

public Q_SLOTS:
    // Each setter stores only a changed value and then rebuilds the example.
    // Folders may be given with native separators or back-slashes.
    void setDngPictureFolder(const QString &folder);
    void setJpgPictureFolder(const QString &folder);
    // A stem that is no file name (TVK_Logic_FileNameStem) is refused with a
    // log line; the last good one stays.
    void setPictureNewFileName(const QString &stem);
    // Numbers below kLowestPictureNumber are taken as kLowestPictureNumber.
    void setPictureNumber(int number);
    void setPictureExampleIsDng(bool isDng);
    // Only remembered: the example is not built from the camera's name.
    void setPictureOrgFileName(const QString &fileName);
    // Advances the number by one (it stops at the largest int) and rebuilds
    // the example even when nothing changed.
    void incrementPictureNumber();

Q_SIGNALS:
    // At every rebuild of the example, also when its text stayed the same.
    void signalPictureExampleChanged();

private:
    // Stores a changed value and rebuilds the example; false when it was the same.
    template <typename T>
    bool store(T &member, const T &value);
    // Both expect the mutex to be held.
    void rebuildPictureExampleLocked();
    void rebuildPictureExample();

    mutable std::mutex m_mutex;

    QString m_dngPictureFolder;
    QString m_jpgPictureFolder;
    QString m_pictureOrgFileName;
    QString m_pictureNewFileName;
    QString m_pictureExampleFileName;
    bool m_pictureExampleIsDng = false;
    int m_pictureNumber = 1;
};
