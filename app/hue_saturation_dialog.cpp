#include "hue_saturation_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tegmora::app {
namespace {

constexpr int kHueLimit = 180;
constexpr int kPercentLimit = 100;
constexpr int kSliderWidth = 200;

}  // namespace

HueSaturationDialog::HueSaturationDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HueSaturationDialog"));
    setWindowTitle(tr("Hue / Saturation"));
    auto* layout = new QVBoxLayout(this);
    amounts_ = new QFormLayout;
    layout->addLayout(amounts_);
    hue_ = addAmount(tr("&Hue:"), QStringLiteral("Hue"), kHueLimit);
    saturation_ = addAmount(tr("&Saturation:"), QStringLiteral("Saturation"), kPercentLimit);
    lightness_ = addAmount(tr("&Lightness:"), QStringLiteral("Lightness"), kPercentLimit);
    colourize_ = new QCheckBox(tr("C&olourize"), this);
    colourize_->setObjectName(QStringLiteral("Colourize"));
    connect(colourize_, &QCheckBox::toggled, this, &HueSaturationDialog::announce);
    layout->addWidget(colourize_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // The keys start on Hue's figure, with Enter for OK and Esc for Cancel.
    hue_->setFocus();
}

// A row of the form: the caption, whose mnemonic reaches the slider, the
// slider and its spin box, kept equal.
QSpinBox* HueSaturationDialog::addAmount(const QString& caption, const QString& name, int limit) {
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setObjectName(name + QStringLiteral("Slider"));
    slider->setRange(-limit, limit);
    slider->setMinimumWidth(kSliderWidth);
    auto* spin = new QSpinBox(this);
    spin->setObjectName(name);
    spin->setRange(-limit, limit);
    connect(slider, &QSlider::valueChanged, spin, &QSpinBox::setValue);
    connect(spin, &QSpinBox::valueChanged, slider, &QSlider::setValue);
    connect(spin, &QSpinBox::valueChanged, this, &HueSaturationDialog::announce);
    auto* row = new QHBoxLayout;
    row->addWidget(slider);
    row->addWidget(spin);
    auto* label = new QLabel(caption, this);
    label->setBuddy(slider);
    amounts_->addRow(label, row);
    return spin;
}

effects::HueSaturationLightness HueSaturationDialog::adjustment() const {
    return {hue_->value(), saturation_->value(), lightness_->value(), colourize_->isChecked()};
}

bool HueSaturationDialog::changesNothing() const {
    const effects::HueSaturationLightness now = adjustment();
    return now.hue == 0 && now.saturation == 0 && now.lightness == 0 && !now.colourize;
}

void HueSaturationDialog::announce() { emit adjustmentChanged(adjustment()); }

}  // namespace tegmora::app
