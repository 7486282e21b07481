#include "TVK_Logic_ConverterSensitivity.h"

#include "TVK_Commu_ProductTraits.h"

#include <QVector>

namespace {

constexpr char kLogPrefix[] = "TVK_Logic_ConverterSensitivity::init";

// Every list starts with automatic sensitivity.
constexpr char kAutoText[] = "Auto";

using Traits = TVK_Commu_ProductTraits;

// The ISO numbers of each list after "Auto", shown as decimal numbers unless
// a label below names them otherwise.
struct IsoGroup {
    Traits::eLEIsoList list;
    QVector<int> iso;
};

const QVector<IsoGroup> &isoGroups()
{
    static const QVector<int> kVelia = {50, 100, 200, 400, 800, 1600, 3200, 6400, 12500, 25000, 50000};
    static const QVector<IsoGroup> groups = {
        {Traits::kLEIsoArdo2, {80, 160, 320, 640, 1250}},
        {Traits::kLEIsoArdo2S, {50, 100, 200, 400, 800, 1600}},
        {Traits::kLEIsoCora,
         {50, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1280, 1600, 2000, 2500, 3200, 4000, 5000,
          6400}},
        {Traits::kLEIsoArdo3, {100, 200, 400, 800, 1600, 3200, 6400, 12500}},
        {Traits::kLEIsoArdo3R, {100, 200, 400, 800, 1600, 3200, 6400, 12500, 25000, 50000}},
        {Traits::kLEIsoVelia, kVelia},
        {Traits::kLEIsoVeliaNight, kVelia + QVector<int>{100000}},
        {Traits::kLEIsoCoraCine,
         {320, 400, 500, 640, 800, 1000, 1280, 1600, 2000, 2500, 3200, 4000, 5000, 6400, 8000, 10000, 12500,
          25000}},
        {Traits::kLEIsoPico,
         {100, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000, 2500, 3200, 4000, 5000, 6400, 8000,
          10000, 12500, 16000, 20000, 25000, 32000, 40000, 50000}},
    };
    return groups;
}

// The numbers a list marks as pulled or pushed beyond the body's native range.
struct IsoLabel {
    Traits::eLEIsoList list;
    int iso;
    const char *text;
};
constexpr IsoLabel kLabels[] = {
    {Traits::kLEIsoArdo2, 80, "Pull 80"},
    {Traits::kLEIsoCoraCine, 25000, "PUSH 25000"},
};

QString isoText(Traits::eLEIsoList list, int iso)
{
    for (const IsoLabel &label : kLabels) {
        if (label.list == list && label.iso == iso)
            return QString::fromLatin1(label.text);
    }
    return QString::number(iso);
}

} // namespace

TVK_Logic_ConverterSensitivity::TVK_Logic_ConverterSensitivity(int productId, QObject *parent)
    : TVK_Logic_ConverterBase(parent)
{
    init(productId);
}

void TVK_Logic_ConverterSensitivity::init(int productId)
{
    clearLists();
    const Traits::eLEIsoList list = Traits::of(productId).isoList;
    for (const IsoGroup &group : isoGroups()) {
        if (group.list != list)
            continue;
        // The texts are numbers and stay untranslated.
        appendEntry(QString::fromLatin1(kAutoText), 0);
        for (int iso : group.iso)
            appendEntry(isoText(list, iso), iso);
        return;
    }
    logUnknownProduct(kLogPrefix, productId);
}
