#pragma once

#include "TVK_Color_ProfileIF.h"

#include <QByteArray>
#include <QString>

// What every engine's profile shares: where the profile came from (a file path
// with "/" separators, or an owned copy of its bytes), the recognition of the
// header signatures and the decoding of the description tag. An engine supplies
// the open handle, the raw header fields and the raw bytes of a tag.
class TVK_Color_Profile : public TVK_Color_ProfileIF
{
public:
    static constexpr Signature kDescriptionTag = 0x64657363u;      // 'desc'
    static constexpr Signature kTextDescriptionType = 0x64657363u; // 'desc', ICC v2
    static constexpr Signature kMultiLocalizedType = 0x6D6C7563u;  // 'mluc', ICC v4

    ~TVK_Color_Profile() override;

    bool isValid() const override;
    Signature dataColorSpace() const override;
    Signature connectionSpace() const override;
    Signature profileClass() const override;
    QString description() const override;

    // Empty for a profile from bytes.
    QString filePath() const { return m_filePath; }
    // Empty for a profile from a file.
    QByteArray bytes() const { return m_bytes; }
    bool isFileProfile() const { return !m_filePath.isEmpty(); }

    // The header values this system knows; anything else becomes four blanks.
    static Signature recognisedColorSpace(Signature raw);
    static Signature recognisedProfileClass(Signature raw);
    // The text of a 'desc' tag in its v2 or v4 form; empty when the bytes do not
    // hold one.
    static QString descriptionFromTag(const QByteArray &tag);

protected:
    TVK_Color_Profile() = default;

    virtual bool isOpen() const = 0;
    virtual Signature rawDataColorSpace() const = 0;
    virtual Signature rawConnectionSpace() const = 0;
    virtual Signature rawProfileClass() const = 0;
    virtual QByteArray rawTag(Signature tag) const = 0;

    void swapSource(TVK_Color_Profile &other);

    QString m_filePath;
    QByteArray m_bytes;
};
