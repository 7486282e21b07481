#pragma once

#include "TVK_Color_MatchIF.h"
#include "TVK_Color_ProfileIF.h"

#include <memory>

// Holds copies of an input and an output profile and a rendering intent, and
// builds the transform between them at the first translation after a change.
class TVK_Color_Match : public TVK_Color_MatchIF
{
public:
    using Signature = TVK_Color_ProfileIF::Signature;

    TVK_Color_Match();
    ~TVK_Color_Match() override;

    TVK_Color_Match(const TVK_Color_Match &) = delete;
    TVK_Color_Match &operator=(const TVK_Color_Match &) = delete;

    bool translateLabToRgb(const LabPixel *source, RgbPixel *destination, int count) override;
    bool translateRgbToLab(const RgbPixel *source, LabPixel *destination, int count) override;
    bool translateRgbToRgb(const RgbPixel *source, RgbPixel *destination, int count) override;
    bool translateRgbInPlace(RgbPixel *pixels, int count) override;
    // Both images: the same width, height and bytes per line, 32 bits per pixel
    // (Format_RGB32 or Format_ARGB32) without padding at the end of a line.
    bool translateImage(const QImage &source, QImage &destination) override;
    bool translateImage(QImage &image) override;
    void setInputProfile(const TVK_Color_ProfileIF &profile) override;
    // The default input profile path is accepted even where that file is not
    // installed: the built-in equivalent stands in (TVK_Color_Factory::defaultInputProfile).
    void setInputProfile(const QString &path) override;
    void setOutputProfile(const TVK_Color_ProfileIF &profile) override;
    void setOutputProfile(const QString &path) override;
    void setRenderingIntent(int intent) override;

    const TVK_Color_ProfileIF *inputProfile() const { return m_input.get(); }
    const TVK_Color_ProfileIF *outputProfile() const { return m_output.get(); }
    Signature inputColorSpace() const { return m_inputSpace; }
    Signature outputColorSpace() const { return m_outputSpace; }
    int renderingIntent() const { return m_intent; }
    bool hasTransform() const { return m_world != nullptr; }
    // How many transforms were built so far; shows that one is reused until a
    // profile or the intent changes.
    int transformBuildCount() const { return m_buildCount; }

private:
    enum class Side { Input, Output };

    void replaceProfile(Side side, std::unique_ptr<TVK_Color_ProfileIF> profile);
    bool ensureTransform();
    bool hasSpaces(Signature input, Signature output) const;
    // Everything a whole-image translation needs, the transform included.
    bool canTranslate(const QImage &source, const QImage &destination);

    std::unique_ptr<TVK_Color_WorldIF> m_world;
    std::unique_ptr<TVK_Color_ProfileIF> m_input;
    std::unique_ptr<TVK_Color_ProfileIF> m_output;
    int m_intent = TVK_Color_WorldIF::kPerceptual;
    Signature m_inputSpace = TVK_Color_ProfileIF::kBlankSignature;
    Signature m_outputSpace = TVK_Color_ProfileIF::kBlankSignature;
    int m_buildCount = 0;
};
