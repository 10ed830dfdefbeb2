// The Hue / Saturation dialog: three sliders with spin boxes and the
// Colourize box. It holds no picture; the window shows each change.
#pragma once

#include "effects.h"

#include <QDialog>

class QCheckBox;
class QFormLayout;
class QSpinBox;

namespace tegmora::app {

class HueSaturationDialog : public QDialog {
    Q_OBJECT
public:
    explicit HueSaturationDialog(QWidget* parent = nullptr);

    effects::HueSaturationLightness adjustment() const;
    // True while every amount is at rest and Colourize is off.
    bool changesNothing() const;

signals:
    // After every change of a slider, a spin box or the box.
    void adjustmentChanged(const effects::HueSaturationLightness& adjustment);

private:
    QSpinBox* addAmount(const QString& caption, const QString& name, int limit);
    void announce();

    QFormLayout* amounts_ = nullptr;
    QSpinBox* hue_ = nullptr;
    QSpinBox* saturation_ = nullptr;
    QSpinBox* lightness_ = nullptr;
    QCheckBox* colourize_ = nullptr;
};

}  // namespace tegmora::app
