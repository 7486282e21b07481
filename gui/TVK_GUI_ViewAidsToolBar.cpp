#include "TVK_GUI_ViewAidsToolBar.h"

#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>
#include <QToolButton>
#include <QWidgetAction>

namespace {

using Aids = TVK_GUI_ViewAids;

// The chosen entry of an exclusive group, as its enum value.
int chosen(const QActionGroup *group)
{
    const QAction *action = group->checkedAction();
    return action != nullptr ? action->data().toInt() : 0;
}

void choose(QActionGroup *group, int value)
{
    for (QAction *action : group->actions())
        action->setChecked(action->data().toInt() == value);
}

} // namespace

TVK_GUI_ViewAidsToolBar::TVK_GUI_ViewAidsToolBar(eLEKind kind, QWidget *parent)
    : QToolBar(parent)
    , m_kind(kind)
{
    setObjectName(QStringLiteral("ViewAidsToolBar"));
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setIconSize(QSize(16, 16));

    m_histogram = addToggle(tr("Histogram"), tr("Histogram of the picture"), QKeySequence(Qt::Key_H));
    QMenu *menu = addMenuTo(m_histogram);
    m_histogramKinds = addChoices(menu, {tr("Luminance"), tr("Red, green and blue")}, &Aids::histogramKind);
    menu->addSeparator();
    m_logarithmic = menu->addAction(tr("Logarithmic scale"));
    m_logarithmic->setCheckable(true);
    connect(m_logarithmic, &QAction::toggled, this, &TVK_GUI_ViewAidsToolBar::takeAids);

    m_clipping = addToggle(tr("Clipping"), tr("Blown highlights and blocked shadows"), QKeySequence(Qt::Key_C));
    menu = addMenuTo(m_clipping);
    m_clippingStyles = addChoices(menu, {tr("Moving stripes"), tr("Blinking")}, &Aids::clippingStyle);
    menu->addSeparator();
    m_highlight = addNumber(menu, tr("Highlights from"), 1, 255, QString());
    m_shadow = addNumber(menu, tr("Shadows up to"), 0, 254, QString());

    if (m_kind == kLELiveView) {
        m_peaking = addToggle(tr("Peaking"), tr("Focus peaking: sharp edges in colour"), QKeySequence(Qt::Key_P));
        menu = addMenuTo(m_peaking);
        m_sensitivities = addSensitivityChoices(menu);
        menu->addSeparator();
        m_colours = addChoices(menu, {tr("Red"), tr("Green"), tr("Blue"), tr("White"), tr("Yellow")},
                               &Aids::peakingColour);

        m_guide = addToggle(tr("Guides"), tr("Composition guides"), QKeySequence());
        menu = addMenuTo(m_guide);
        m_guides = addChoices(menu,
                              {tr("None"), tr("Rule of thirds"), tr("Golden section"), tr("Diagonals"),
                               tr("Centre cross"), tr("Square grid")},
                              &Aids::guide);
        m_crop = addToggle(tr("Crop"), tr("Crop frame"), QKeySequence());
        menu = addMenuTo(m_crop);
        m_crops = addChoices(menu, {tr("None"), tr("1:1"), tr("4:5"), tr("5:4"), tr("16:9"), tr("2:3")}, &Aids::crop);
        // The toggles of guides and crop frames stand for "not none"; their
        // keys step through the choices instead.
        auto *stepGuide = new QAction(this);
        stepGuide->setObjectName(QStringLiteral("StepGuide"));
        stepGuide->setShortcut(QKeySequence(Qt::Key_G));
        connect(stepGuide, &QAction::triggered, this, [this]() { stepChoice(m_guides); });
        auto *stepCrop = new QAction(this);
        stepCrop->setObjectName(QStringLiteral("StepCrop"));
        stepCrop->setShortcut(QKeySequence(Qt::Key_F));
        connect(stepCrop, &QAction::triggered, this, [this]() { stepChoice(m_crops); });

        m_onion = addToggle(tr("Onion skin"), tr("The last picture (as the quick view gets it) or one chosen, over the live view"),
                            QKeySequence(Qt::Key_O));
        menu = addMenuTo(m_onion);
        m_opacity = addNumber(menu, tr("Opacity"), 5, 95, QStringLiteral(" %"));
        QAction *pick = menu->addAction(tr("Choose a picture..."));
        connect(pick, &QAction::triggered, this, &TVK_GUI_ViewAidsToolBar::signalChooseOnionPicture);
    }
    showAids();
}

QAction *TVK_GUI_ViewAidsToolBar::addToggle(const QString &text, const QString &tip, QKeySequence key)
{
    QAction *action = addAction(text);
    action->setCheckable(true);
    action->setShortcut(key);
    action->setToolTip(key.isEmpty() ? tip : tr("%1 (%2)").arg(tip, key.toString(QKeySequence::NativeText)));
    connect(action, &QAction::toggled, this, &TVK_GUI_ViewAidsToolBar::takeAids);
    return action;
}

QMenu *TVK_GUI_ViewAidsToolBar::addMenuTo(QAction *action)
{
    auto *menu = new QMenu(this);
    action->setMenu(menu);
    if (auto *button = qobject_cast<QToolButton *>(widgetForAction(action)))
        button->setPopupMode(QToolButton::MenuButtonPopup);
    return menu;
}

template <typename Enum>
QActionGroup *TVK_GUI_ViewAidsToolBar::addChoices(QMenu *menu, const QStringList &texts,
                                                  Enum TVK_GUI_ViewAids::*field)
{
    Q_UNUSED(field) // names the field the choices stand for at the call
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < texts.size(); ++i) {
        QAction *action = menu->addAction(texts.at(i));
        action->setCheckable(true);
        action->setData(i);
        group->addAction(action);
    }
    connect(group, &QActionGroup::triggered, this, &TVK_GUI_ViewAidsToolBar::takeAids);
    return group;
}

QActionGroup *TVK_GUI_ViewAidsToolBar::addSensitivityChoices(QMenu *menu)
{
    auto *group = new QActionGroup(this);
    const QStringList texts = {tr("Low sensitivity"), tr("Medium sensitivity"), tr("High sensitivity")};
    const int values[] = {TVK_Color_FocusPeaking::kLELow, TVK_Color_FocusPeaking::kLEMedium,
                          TVK_Color_FocusPeaking::kLEHigh};
    for (int i = 0; i < texts.size(); ++i) {
        QAction *action = menu->addAction(texts.at(i));
        action->setCheckable(true);
        action->setData(values[i]);
        group->addAction(action);
    }
    connect(group, &QActionGroup::triggered, this, &TVK_GUI_ViewAidsToolBar::takeAids);
    return group;
}

QSpinBox *TVK_GUI_ViewAidsToolBar::addNumber(QMenu *menu, const QString &label, int low, int high,
                                             const QString &suffix)
{
    auto *row = new QWidget(menu);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(24, 2, 8, 2);
    layout->addWidget(new QLabel(label, row));
    auto *box = new QSpinBox(row);
    box->setRange(low, high);
    box->setSuffix(suffix);
    layout->addWidget(box);
    auto *action = new QWidgetAction(menu);
    action->setDefaultWidget(row);
    menu->addAction(action);
    connect(box, qOverload<int>(&QSpinBox::valueChanged), this, &TVK_GUI_ViewAidsToolBar::takeAids);
    return box;
}

void TVK_GUI_ViewAidsToolBar::addShortcutsTo(QWidget *window)
{
    // Tool bar actions with shortcuts work only while the strip is visible
    // and focused; added to the window they work wherever its focus is.
    for (QAction *action : actions())
        if (!action->shortcut().isEmpty())
            window->addAction(action);
    for (QAction *action : findChildren<QAction *>(QString(), Qt::FindDirectChildrenOnly))
        if (!action->shortcut().isEmpty() && !actions().contains(action))
            window->addAction(action);
    for (QAction *action : window->actions())
        action->setShortcutContext(Qt::WindowShortcut);
}

void TVK_GUI_ViewAidsToolBar::setAids(const TVK_GUI_ViewAids &aids)
{
    m_aids = aids;
    showAids();
}

void TVK_GUI_ViewAidsToolBar::showAids()
{
    m_showing = true;
    m_histogram->setChecked(m_aids.analysis.histogram);
    choose(m_histogramKinds, m_aids.histogramKind);
    m_logarithmic->setChecked(m_aids.histogramLogarithmic);
    m_clipping->setChecked(m_aids.analysis.clipping);
    choose(m_clippingStyles, m_aids.clippingStyle);
    m_highlight->setValue(m_aids.analysis.highlight);
    m_shadow->setValue(m_aids.analysis.shadow);
    if (m_kind == kLELiveView) {
        m_peaking->setChecked(m_aids.analysis.peaking);
        choose(m_sensitivities, m_aids.analysis.sensitivity);
        choose(m_colours, m_aids.peakingColour);
        m_guide->setChecked(m_aids.guide != Aids::kLEGuideNone);
        choose(m_guides, m_aids.guide);
        m_crop->setChecked(m_aids.crop != Aids::kLECropNone);
        choose(m_crops, m_aids.crop);
        m_onion->setChecked(m_aids.onionSkin);
        m_opacity->setValue(qRound(m_aids.onionOpacity * 100.0));
    }
    m_showing = false;
}

void TVK_GUI_ViewAidsToolBar::takeAids()
{
    if (m_showing)
        return;
    Aids aids = m_aids;
    aids.analysis.histogram = m_histogram->isChecked();
    aids.histogramKind = Aids::eLEHistogramKind(chosen(m_histogramKinds));
    aids.histogramLogarithmic = m_logarithmic->isChecked();
    aids.analysis.clipping = m_clipping->isChecked();
    aids.clippingStyle = Aids::eLEClippingStyle(chosen(m_clippingStyles));
    // The clipping's own rule for thresholds that cross.
    const TVK_Color_Clipping clipping(m_highlight->value(), m_shadow->value());
    aids.analysis.highlight = clipping.highlight();
    aids.analysis.shadow = clipping.shadow();
    if (m_kind == kLELiveView) {
        aids.analysis.peaking = m_peaking->isChecked();
        aids.analysis.sensitivity = TVK_Color_FocusPeaking::eLESensitivity(chosen(m_sensitivities));
        aids.peakingColour = Aids::eLEPeakingColour(chosen(m_colours));
        aids.guide = Aids::eLEGuide(chosen(m_guides));
        // The toggle switched on without a choice in its menu shows the first one.
        if (sender() == m_guide)
            aids.guide = m_guide->isChecked() ? (aids.guide == Aids::kLEGuideNone ? Aids::kLEThirds : aids.guide)
                                              : Aids::kLEGuideNone;
        aids.crop = Aids::eLECrop(chosen(m_crops));
        if (sender() == m_crop)
            aids.crop = m_crop->isChecked() ? (aids.crop == Aids::kLECropNone ? Aids::kLECrop1x1 : aids.crop)
                                            : Aids::kLECropNone;
        aids.onionSkin = m_onion->isChecked();
        aids.onionOpacity = m_opacity->value() / 100.0;
    }
    const bool changed = aids != m_aids;
    m_aids = aids;
    showAids();
    if (changed)
        Q_EMIT signalAidsChanged(m_aids);
}

void TVK_GUI_ViewAidsToolBar::stepChoice(QActionGroup *group)
{
    const QList<QAction *> choices = group->actions();
    const int next = (chosen(group) + 1) % choices.size();
    choose(group, next);
    takeAids();
}
