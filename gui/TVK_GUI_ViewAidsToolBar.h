#pragma once

#include "TVK_GUI_ViewAids.h"

#include <QToolBar>

class QAction;
class QActionGroup;
class QMenu;
class QSpinBox;

// The strip above a viewer that switches the viewing aids on and off, each
// with a menu of its variants and a key of its own (H histogram, C clipping,
// P peaking, G guides, F crop frames, O onion skin). The live view gets all
// of them, the quick view the histogram and the clipping only.
class TVK_GUI_ViewAidsToolBar : public QToolBar
{
    Q_OBJECT

public:
    enum eLEKind { kLELiveView, kLEQuickView };

    explicit TVK_GUI_ViewAidsToolBar(eLEKind kind, QWidget *parent = nullptr);

    TVK_GUI_ViewAids aids() const { return m_aids; }
    // Shows aids without signalling them.
    void setAids(const TVK_GUI_ViewAids &aids);
    // For the keys: the window the strip's shortcuts work in.
    void addShortcutsTo(QWidget *window);

    QAction *histogramAction() const { return m_histogram; }
    QAction *clippingAction() const { return m_clipping; }
    QAction *peakingAction() const { return m_peaking; }
    QAction *guideAction() const { return m_guide; }
    QAction *cropAction() const { return m_crop; }
    QAction *onionAction() const { return m_onion; }

Q_SIGNALS:
    void signalAidsChanged(const TVK_GUI_ViewAids &aids);
    // The user wants another picture than the last one under the live view.
    void signalChooseOnionPicture();

private:
    QAction *addToggle(const QString &text, const QString &tip, QKeySequence key);
    QMenu *addMenuTo(QAction *action);
    template <typename Enum>
    QActionGroup *addChoices(QMenu *menu, const QStringList &texts, Enum TVK_GUI_ViewAids::*field);
    QActionGroup *addSensitivityChoices(QMenu *menu);
    QSpinBox *addNumber(QMenu *menu, const QString &label, int low, int high, const QString &suffix);
    // The actions' states from m_aids.
    void showAids();
    // m_aids from the actions' states, signalled when it changed.
    void takeAids();
    // G and F step through their choices, the last one back to none.
    void stepChoice(QActionGroup *group);

    eLEKind m_kind;
    TVK_GUI_ViewAids m_aids;
    bool m_showing = false;
    QAction *m_histogram = nullptr;
    QAction *m_clipping = nullptr;
    QAction *m_peaking = nullptr;
    QAction *m_guide = nullptr;
    QAction *m_crop = nullptr;
    QAction *m_onion = nullptr;
    QAction *m_logarithmic = nullptr;
    QActionGroup *m_histogramKinds = nullptr;
    QActionGroup *m_clippingStyles = nullptr;
    QActionGroup *m_sensitivities = nullptr;
    QActionGroup *m_colours = nullptr;
    QActionGroup *m_guides = nullptr;
    QActionGroup *m_crops = nullptr;
    QSpinBox *m_highlight = nullptr;
    QSpinBox *m_shadow = nullptr;
    QSpinBox *m_opacity = nullptr;
};
