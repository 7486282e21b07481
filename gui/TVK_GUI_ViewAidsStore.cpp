#include "TVK_GUI_ViewAidsStore.h"

#include "TVK_Debug_Log.h"
#include "TVK_GUI_Settings.h"

#include <array>
#include <cmath>

namespace {

using Aids = TVK_GUI_ViewAids;
using Peaking = TVK_Color_FocusPeaking;

const std::array<const char *, Aids::kLEGuideCount> kGuideWords = {"none", "thirds", "golden", "diagonals",
                                                                   "centre", "grid"};
const std::array<const char *, Aids::kLECropCount> kCropWords = {"none", "1:1", "4:5", "5:4", "16:9", "2:3"};
const std::array<const char *, Aids::kLEPeakingColourCount> kColourWords = {"red", "green", "blue", "white",
                                                                            "yellow"};
const std::array<const char *, 3> kSensitivityWords = {"low", "medium", "high"};
const std::array<const char *, 2> kClippingWords = {"stripes", "blink"};
const std::array<const char *, 2> kHistogramWords = {"luminance", "rgb"};

QString boolText(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

// Each reader leaves the field as it is (its default) when the text is
// missing, and says so in the log when the text is there but wrong.
class Reader
{
public:
    explicit Reader(const QMap<QString, QString> &texts)
        : m_texts(texts)
    {
    }

    void flag(const char *key, bool *value) const
    {
        const QString *text = find(key);
        if (text == nullptr)
            return;
        if (*text == QLatin1String("true"))
            *value = true;
        else if (*text == QLatin1String("false"))
            *value = false;
        else
            refuse(key, *text);
    }

    template <typename Enum, size_t N>
    void word(const char *key, const std::array<const char *, N> &words, Enum *value) const
    {
        const QString *text = find(key);
        if (text == nullptr)
            return;
        for (size_t i = 0; i < N; ++i) {
            if (*text == QLatin1String(words[i])) {
                *value = Enum(i);
                return;
            }
        }
        refuse(key, *text);
    }

    void level(const char *key, int *value) const
    {
        const QString *text = find(key);
        if (text == nullptr)
            return;
        bool ok = false;
        const int number = text->toInt(&ok);
        if (ok && number >= 0 && number <= 255)
            *value = number;
        else
            refuse(key, *text);
    }

    void fraction(const char *key, double *value) const
    {
        const QString *text = find(key);
        if (text == nullptr)
            return;
        bool ok = false;
        const double number = text->toDouble(&ok);
        if (ok && std::isfinite(number) && number >= 0.0 && number <= 1.0)
            *value = number;
        else
            refuse(key, *text);
    }

private:
    const QString *find(const char *key) const
    {
        const auto it = m_texts.constFind(QLatin1String(key));
        return it == m_texts.cend() ? nullptr : &it.value();
    }

    static void refuse(const char *key, const QString &text)
    {
        debugLog(kLELogAlways, "TVK_GUI_ViewAidsStore::fromTexts() - \"%s\" holds \"%s\", which it cannot be; using the default", key,
                 qUtf8Printable(text));
    }

    const QMap<QString, QString> &m_texts;
};

} // namespace

const QString TVK_GUI_ViewAidsStore::kLiveViewGroup = QStringLiteral("LiveViewAids/");
const QString TVK_GUI_ViewAidsStore::kQuickViewGroup = QStringLiteral("QuickViewAids/");

TVK_GUI_ViewAids TVK_GUI_ViewAidsStore::fromTexts(const QMap<QString, QString> &texts)
{
    Aids aids;
    const Reader read(texts);
    read.flag("Histogram", &aids.analysis.histogram);
    read.word("HistogramKind", kHistogramWords, &aids.histogramKind);
    read.flag("HistogramLogarithmic", &aids.histogramLogarithmic);
    read.flag("Clipping", &aids.analysis.clipping);
    read.word("ClippingStyle", kClippingWords, &aids.clippingStyle);
    read.level("Highlight", &aids.analysis.highlight);
    read.level("Shadow", &aids.analysis.shadow);
    read.flag("Peaking", &aids.analysis.peaking);
    read.word("PeakingSensitivity", kSensitivityWords, &aids.analysis.sensitivity);
    read.word("PeakingColour", kColourWords, &aids.peakingColour);
    read.word("Guide", kGuideWords, &aids.guide);
    read.word("Crop", kCropWords, &aids.crop);
    read.flag("OnionSkin", &aids.onionSkin);
    read.fraction("OnionOpacity", &aids.onionOpacity);
    // The same rule the clipping itself applies, so what is shown is what is kept.
    const TVK_Color_Clipping clipping(aids.analysis.highlight, aids.analysis.shadow);
    aids.analysis.highlight = clipping.highlight();
    aids.analysis.shadow = clipping.shadow();
    return aids;
}

QMap<QString, QString> TVK_GUI_ViewAidsStore::toTexts(const TVK_GUI_ViewAids &aids)
{
    QMap<QString, QString> texts;
    texts.insert(QStringLiteral("Histogram"), boolText(aids.analysis.histogram));
    texts.insert(QStringLiteral("HistogramKind"), QLatin1String(kHistogramWords.at(aids.histogramKind)));
    texts.insert(QStringLiteral("HistogramLogarithmic"), boolText(aids.histogramLogarithmic));
    texts.insert(QStringLiteral("Clipping"), boolText(aids.analysis.clipping));
    texts.insert(QStringLiteral("ClippingStyle"), QLatin1String(kClippingWords.at(aids.clippingStyle)));
    texts.insert(QStringLiteral("Highlight"), QString::number(aids.analysis.highlight));
    texts.insert(QStringLiteral("Shadow"), QString::number(aids.analysis.shadow));
    texts.insert(QStringLiteral("Peaking"), boolText(aids.analysis.peaking));
    texts.insert(QStringLiteral("PeakingSensitivity"), QLatin1String(kSensitivityWords.at(aids.analysis.sensitivity)));
    texts.insert(QStringLiteral("PeakingColour"), QLatin1String(kColourWords.at(aids.peakingColour)));
    texts.insert(QStringLiteral("Guide"), QLatin1String(kGuideWords.at(aids.guide)));
    texts.insert(QStringLiteral("Crop"), QLatin1String(kCropWords.at(aids.crop)));
    texts.insert(QStringLiteral("OnionSkin"), boolText(aids.onionSkin));
    texts.insert(QStringLiteral("OnionOpacity"), QString::number(aids.onionOpacity, 'g', 3));
    return texts;
}

TVK_GUI_ViewAids TVK_GUI_ViewAidsStore::load(const QString &group)
{
    return fromTexts(TVK_GUI_Settings::instance()->productGroup(group));
}

void TVK_GUI_ViewAidsStore::save(const QString &group, const TVK_GUI_ViewAids &aids)
{
    TVK_GUI_Settings::instance()->setProductGroup(group, toTexts(aids));
}
