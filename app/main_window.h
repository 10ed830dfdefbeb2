// The editor's only window: the roof list, the display and working views,
// the file commands, the effect buttons and the RGB sliders.
#pragma once

#include "dialogs.h"
#include "edit_history.h"
#include "effects.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <span>

class QScrollBar;

namespace tegmora::app {

class HueSaturationDialog;
class PictureView;
class RoofList;
class TilePreview;

// The object name of the effect button that shows `preset`'s caption, in
// lower camel case: "grayScaleButton" for "Gray Scale".
QString EffectButtonName(const effects::Preset& preset);

// The slider of each channel, top of the RGB frame from the left.
inline constexpr const char* kSliderChannels[] = {"red", "green", "blue"};
// Its object name: "redSlider" for index 0.
QString SliderName(int index);

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // Opens on the roofs in `roofsFolder`, the first one loaded; Save's
    // dialog opens there too. `presets` are the effect buttons, left column first.
    MainWindow(const QString& roofsFolder, Dialogs& dialogs,
          std::span<const effects::Preset> presets = effects::Presets(), QWidget* parent = nullptr);
    ~MainWindow() override;

    // Chooses the roof of that file name in the list, as a click would;
    // nothing when the list has none of that name.
    void chooseRoofNamed(const QString& name);

    // True while an effect runs; the window then turns other commands away.
    bool effectRunning() const { return engine_.busy(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    using SliderValues = std::array<int, 3>;

    void buildRoofList();
    void buildImageViews();
    void buildSliders();
    void buildMainOptions();
    void buildEffectButtons(std::span<const effects::Preset> presets);
    void buildAbout();
    void buildHistoryKeys();
    void buildRoofCommands();

    void chooseRoof(int row);
    void loadRoof(int row);
    void save();
    void deleteChosenRoof();
    // A new roof, unsaved, from a picture the player chooses or drops.
    void chooseNewRoofPicture();
    void makeNewRoof(const QString& picturePath);
    // Asks before an unsaved new roof is dropped; true when there is none.
    bool mayDiscardNewRoof();
    void saveNewRoof();
    void makeSeamless();
    void openHueSaturation();
    void showHueSaturation(const effects::HueSaturationLightness& adjustment);
    void closeHueSaturation(int result);
    // The display view follows the working view after a step of `before`.
    void keepStep(WindowState before);
    void applyEffect(const effects::Preset& preset);
    // Runs the effect on the working view; false when it failed or was
    // abandoned.
    bool runEffect(const effects::Preset& preset);
    void scaleChannels();
    void setSlidersQuietly(const SliderValues& values);
    WindowState currentState() const;
    void restore(const WindowState& state);
    void placeWorkingView();
    void undo();
    void redo();
    void showPreview();
    void yieldToWindow();

    Dialogs& dialogs_;
    RoofList* roofList_ = nullptr;
    PictureView* displayView_ = nullptr;
    PictureView* workingView_ = nullptr;
    std::array<QScrollBar*, 3> sliders_{};
    SliderValues appliedSliders_{};  // the values the working view was last computed with
    QString chosenRoof_;             // the entry last chosen while no effect ran
    QImage loadedPalettised_;        // the roof as loaded, when it was a palettised bitmap
    QString newRoofName_;            // the name Save suggests while the views hold a new roof
    std::int32_t filterProgress_ = 0;
    bool closing_ = false;
    EditHistory history_;
    std::unique_ptr<TilePreview> preview_;  // made on first use
    HueSaturationDialog* hueSaturation_ = nullptr;  // while it is open
    WindowState beforeHueSaturation_;
    effects::Engine engine_;
};

}  // namespace tegmora::app
