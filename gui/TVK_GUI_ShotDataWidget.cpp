#include "TVK_GUI_ShotDataWidget.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QStringList>

#include <cmath>

namespace {

const QString kSeparator = QStringLiteral(" \u00B7 ");
constexpr int kMarginX = 6;
constexpr int kMarginY = 3;
// Below this the cameras show exposure times as fractions.
constexpr double kFractionBelow = 0.3;
// From here on whole seconds; a tenth means nothing at half a minute.
constexpr double kWholeSecondsFrom = 10.0;

QLocale withoutGroups(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

// One decimal where it says something: 5.6 and 1.3, but 8 and 50.
QString tenths(double value, const QLocale &locale)
{
    const double rounded = std::round(value * 10.0) / 10.0;
    const QLocale plain = withoutGroups(locale);
    if (rounded == std::round(rounded))
        return plain.toString(qint64(std::llround(rounded)));
    return plain.toString(rounded, 'f', 1);
}

bool usable(double value)
{
    return std::isfinite(value) && value > 0.0;
}

QString fileField(const TVK_Logic_ShotData &data, const QLocale &locale)
{
    QStringList parts;
    if (!data.fileName.isEmpty())
        parts << data.fileName;
    const QString size = TVK_GUI_ShotDataWidget::fileSize(data.fileBytes, locale);
    if (!size.isEmpty())
        parts << size;
    return parts.join(QLatin1Char(' '));
}

// Many cameras repeat their maker's name at the start of the model.
QString camera(const TVK_Logic_ShotData &data)
{
    const QString make = data.make.trimmed();
    const QString model = data.model.trimmed();
    if (make.isEmpty() || model.startsWith(make, Qt::CaseInsensitive))
        return model;
    if (model.isEmpty())
        return make;
    return make + QLatin1Char(' ') + model;
}

} // namespace

TVK_GUI_ShotDataWidget::TVK_GUI_ShotDataWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("wgtShotData"));
    // The window's width follows its picture, never this line.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

TVK_GUI_ShotDataWidget::~TVK_GUI_ShotDataWidget() = default;

void TVK_GUI_ShotDataWidget::setShotData(const TVK_Logic_ShotData &shot)
{
    m_data = shot;
    m_text = line(shot, locale());
    setToolTip(details(shot, locale()));
    update();
}

QString TVK_GUI_ShotDataWidget::shownText() const
{
    return fontMetrics().elidedText(m_text, Qt::ElideRight, std::max(width() - 2 * kMarginX, 0));
}

QSize TVK_GUI_ShotDataWidget::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(m_text) + 2 * kMarginX, metrics.height() + 2 * kMarginY);
}

QSize TVK_GUI_ShotDataWidget::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

QString TVK_GUI_ShotDataWidget::exposureTime(quint32 numerator, quint32 denominator, const QLocale &locale)
{
    if (numerator == 0 || denominator == 0)
        return QString();
    const double seconds = double(numerator) / double(denominator);
    if (seconds < kFractionBelow)
        return QStringLiteral("1/%1 s").arg(withoutGroups(locale).toString(qint64(std::llround(1.0 / seconds))));
    if (seconds < kWholeSecondsFrom)
        return tenths(seconds, locale) + QLatin1Char('"');
    return withoutGroups(locale).toString(qint64(std::llround(seconds))) + QLatin1Char('"');
}

QString TVK_GUI_ShotDataWidget::aperture(double fNumber, const QLocale &locale)
{
    if (!usable(fNumber))
        return QString();
    return QStringLiteral("f/") + tenths(fNumber, locale);
}

QString TVK_GUI_ShotDataWidget::sensitivity(int iso, const QLocale &locale)
{
    if (iso <= 0)
        return QString();
    return QStringLiteral("ISO ") + withoutGroups(locale).toString(iso);
}

QString TVK_GUI_ShotDataWidget::compensation(const TVK_Logic_ShotData &data, const QLocale &locale)
{
    if (!data.hasExposureCompensation || !std::isfinite(data.exposureCompensation))
        return QString();
    const double rounded = std::round(data.exposureCompensation * 10.0) / 10.0;
    if (rounded == 0.0)
        return QStringLiteral("\u00B10 EV");
    const QString sign = rounded > 0.0 ? QStringLiteral("+") : QStringLiteral("\u2212");
    return sign + tenths(std::fabs(rounded), locale) + QStringLiteral(" EV");
}

QString TVK_GUI_ShotDataWidget::focalLength(double millimetres, const QLocale &locale)
{
    if (!usable(millimetres))
        return QString();
    return tenths(millimetres, locale) + QStringLiteral(" mm");
}

QString TVK_GUI_ShotDataWidget::fileSize(qint64 bytes, const QLocale &locale)
{
    if (bytes < 0)
        return QString();
    if (bytes < 1000)
        return withoutGroups(locale).toString(bytes) + QStringLiteral(" B");
    static const char *const units[] = {"KB", "MB", "GB", "TB"};
    double value = double(bytes);
    for (const char *unit : units) {
        value /= 1000.0;
        // 999,960 bytes are 1.0 MB, not 1000.0 KB.
        if (std::round(value * 10.0) / 10.0 < 1000.0 || unit == units[3])
            return withoutGroups(locale).toString(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(unit);
    }
    return QString();
}

QString TVK_GUI_ShotDataWidget::taken(const QDateTime &when, const QLocale &locale)
{
    if (!when.isValid())
        return QString();
    return locale.toString(when, QLocale::ShortFormat);
}

QString TVK_GUI_ShotDataWidget::line(const TVK_Logic_ShotData &data, const QLocale &locale)
{
    const QStringList fields{exposureTime(data.exposureNumerator, data.exposureDenominator, locale),
                             aperture(data.aperture, locale),
                             sensitivity(data.sensitivity, locale),
                             compensation(data, locale),
                             focalLength(data.focalLength, locale),
                             data.lens.trimmed(),
                             taken(data.taken, locale),
                             fileField(data, locale)};
    QStringList known;
    for (const QString &field : fields) {
        if (!field.isEmpty())
            known << field;
    }
    return known.join(kSeparator);
}

QString TVK_GUI_ShotDataWidget::details(const TVK_Logic_ShotData &data, const QLocale &locale)
{
    const QList<QPair<QString, QString>> fields{
        {tr("Exposure time"), exposureTime(data.exposureNumerator, data.exposureDenominator, locale)},
        {tr("Aperture"), aperture(data.aperture, locale)},
        {tr("Sensitivity"), sensitivity(data.sensitivity, locale)},
        {tr("Exposure compensation"), compensation(data, locale)},
        {tr("Focal length"), focalLength(data.focalLength, locale)},
        {tr("Lens"), data.lens.trimmed()},
        {tr("Camera"), camera(data)},
        {tr("Taken"), data.taken.isValid() ? locale.toString(data.taken, QLocale::LongFormat) : QString()},
        {tr("File"), data.fileName},
        {tr("Size"), data.fileBytes < 0 ? QString()
                                        : tr("%1 (%2 bytes)").arg(fileSize(data.fileBytes, locale),
                                                                   locale.toString(data.fileBytes))},
    };
    QStringList lines;
    for (const auto &field : fields) {
        if (!field.second.isEmpty())
            lines << field.first + QStringLiteral(": ") + field.second;
    }
    return lines.join(QLatin1Char('\n'));
}

void TVK_GUI_ShotDataWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // The style sheet's background, which a plain widget does not paint itself.
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect().adjusted(kMarginX, 0, -kMarginX, 0), Qt::AlignLeft | Qt::AlignVCenter, shownText());
}
