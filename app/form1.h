// The editor's only window: the roof list, the display and working views,
// the file commands, the effect buttons and the RGB sliders.
#pragma once

#include "dialogs.h"
#include "effects.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

class QScrollBar;

namespace tegmora::app {

class PictureView;
class RoofList;

// The object name of the effect button that shows `preset`'s caption.
QString EffectButtonName(const effects::Preset& preset);

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Opens on the roofs in `roofsFolder`, the first one loaded. Save reads
    // the registry of the Wine prefix `prefix` again for its starting folder.
    // `presets` are the effect buttons, left column first.
    Form1(std::filesystem::path prefix, const QString& roofsFolder, Dialogs& dialogs,
          std::span<const effects::Preset> presets = effects::Presets(), QWidget* parent = nullptr);
    ~Form1() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    using SliderValues = std::array<int, 3>;

    void buildRoofList();
    void buildImageViews();
    void buildSliders();
    void buildMainOptions();
    void buildEffectButtons(std::span<const effects::Preset> presets);
    void buildAbout();

    void chooseRoof(int row);
    void loadRoof(int row);
    void save();
    void deleteChosenRoof();
    void applyEffect(const effects::Preset& preset);
    // Runs the effect on the working view; false when it failed or was
    // abandoned.
    bool runEffect(const effects::Preset& preset);
    void scaleChannels();
    void setSlidersQuietly(const SliderValues& values);
    void yieldToWindow();
    QString saveFolder() const;

    std::filesystem::path prefix_;
    Dialogs& dialogs_;
    RoofList* file1_ = nullptr;
    PictureView* picture1_ = nullptr;
    PictureView* picture3_ = nullptr;
    std::array<QScrollBar*, 3> sliders_{};
    SliderValues appliedSliders_{};  // the values the working view was last computed with
    QString chosenRoof_;             // the entry last chosen while no effect ran
    std::int32_t filterProgress_ = 0;
    bool closing_ = false;
};

}  // namespace tegmora::app
