#pragma once

#include <QString>
#include <QtGlobal>

// An ICC profile, whatever colour engine opened it.
class TVK_Color_ProfileIF
{
public:
    // Four ASCII characters as in the profile header, for example 'RGB '.
    using Signature = quint32;
    static constexpr Signature kBlankSignature = 0x20202020u;
    static constexpr Signature kRgbSignature = 0x52474220u; // 'RGB '

    virtual ~TVK_Color_ProfileIF();

    virtual bool isValid() const = 0;
    virtual Signature dataColorSpace() const = 0;
    virtual Signature connectionSpace() const = 0;
    virtual Signature profileClass() const = 0;
    virtual QString description() const = 0;
    virtual void swap(TVK_Color_ProfileIF &other) = 0;
};
