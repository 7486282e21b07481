#pragma once

#include "TVK_Color_Profile.h"

#include <QByteArray>
#include <QString>

// An ICC profile opened by LittleCMS 2, from a file or from a copy of its bytes.
class TVK_Color_Profile_Lcms : public TVK_Color_Profile
{
public:
    // An empty, invalid profile.
    TVK_Color_Profile_Lcms();
    // The path is kept with "/" separators.
    explicit TVK_Color_Profile_Lcms(const QString &filePath);
    // The bytes are copied; an empty array gives an empty, invalid profile.
    explicit TVK_Color_Profile_Lcms(const QByteArray &bytes);
    // Opened again from the other's file or bytes; empty when the other is not valid.
    explicit TVK_Color_Profile_Lcms(const TVK_Color_ProfileIF &other);
    ~TVK_Color_Profile_Lcms() override;

    TVK_Color_Profile_Lcms(const TVK_Color_Profile_Lcms &) = delete;
    TVK_Color_Profile_Lcms &operator=(const TVK_Color_Profile_Lcms &) = delete;

    // Exchanges everything with another LittleCMS profile; other kinds are left alone.
    void swap(TVK_Color_ProfileIF &other) override;

    // The LittleCMS handle (cmsHPROFILE), null when not open; owned by this object.
    void *handle() const { return m_handle; }

protected:
    bool isOpen() const override;
    Signature rawDataColorSpace() const override;
    Signature rawConnectionSpace() const override;
    Signature rawProfileClass() const override;
    QByteArray rawTag(Signature tag) const override;

private:
    void openFile(const QString &filePath);
    void openBytes(const QByteArray &bytes);
    void close();

    void *m_handle = nullptr;
};
