#include "TVK_Logic_ConverterSensitivity.h"

#include <QVector>

namespace {

constexpr char kLogPrefix[] = "TVK_Logic_ConverterSensitivity::init";

// Every list starts with automatic sensitivity.
constexpr char kAutoText[] = "Auto";

// The ISO numbers each body offers after "Auto", shown as decimal numbers
// unless a label below names them otherwise.
struct IsoGroup {
    QVector<int> products;
    QVector<int> iso;
};

const QVector<IsoGroup> &isoGroups()
{
    static const QVector<int> kG3 = {50, 100, 200, 400, 800, 1600, 3200, 6400, 12500, 25000, 50000};
    static const QVector<IsoGroup> groups = {
        {{0x2009}, {80, 160, 320, 640, 1250}},
        {{0x2011}, {50, 100, 200, 400, 800, 1600}},
        {{0x2021},
         {50, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1280, 1600, 2000, 2500, 3200, 4000, 5000,
          6400}},
        {{0x2031}, {100, 200, 400, 800, 1600, 3200, 6400, 12500}},
        {{0x2033}, {100, 200, 400, 800, 1600, 3200, 6400, 12500, 25000, 50000}},
        {{0x2041, 0x2044}, kG3},
        {{0x2047}, kG3 + QVector<int>{100000}},
        {{0x2051},
         {320, 400, 500, 640, 800, 1000, 1280, 1600, 2000, 2500, 3200, 4000, 5000, 6400, 8000, 10000, 12500,
          25000}},
        {{0x2061},
         {100, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000, 2500, 3200, 4000, 5000, 6400, 8000,
          10000, 12500, 16000, 20000, 25000, 32000, 40000, 50000}},
    };
    return groups;
}

// The numbers a body marks as pulled or pushed beyond its native range.
struct IsoLabel {
    int product;
    int iso;
    const char *text;
};
constexpr IsoLabel kLabels[] = {
    {0x2009, 80, "Pull 80"},
    {0x2051, 25000, "PUSH 25000"},
};

QString isoText(int productId, int iso)
{
    for (const IsoLabel &label : kLabels) {
        if (label.product == productId && label.iso == iso)
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
    for (const IsoGroup &group : isoGroups()) {
        if (!group.products.contains(productId))
            continue;
        // The texts are numbers and stay untranslated.
        appendEntry(QString::fromLatin1(kAutoText), 0);
        for (int iso : group.iso)
            appendEntry(isoText(productId, iso), iso);
        return;
    }
    logUnknownProduct(kLogPrefix, productId);
}
