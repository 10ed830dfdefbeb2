#include "main_window.h"

#include "about.h"
#include "artwork.h"
#include "channel_scaling.h"
#include "file_removal.h"
#include "frame.h"
#include "hue_saturation_dialog.h"
#include "imageio.h"
#include "new_roof.h"
#include "picture_view.h"
#include "qt_text.h"
#include "roof_list.h"
#include "tile_preview.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QUrl>

#include <optional>
#include <utility>

namespace tegmora::app {
namespace {

constexpr QSize kClientSize(563, 347);
const QColor kNavy(0, 0, 128);
constexpr int kSliderLimit = 255;

// The effect buttons stand in two columns of ten, 16 pixels apart.
constexpr int kEffectRows = 10;
constexpr int kEffectColumnLeft[] = {8, 128};
constexpr QSize kEffectButtonSize(113, 17);

// Thrown from the yield of a running effect when the window closes: the run
// stops at the next row and nothing is written back.
struct EffectAbandoned {};

// A small sans-serif face of 8.25 points at 96 dots per inch.
QFont WindowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

QPalette WindowPalette(QPalette palette) {
    palette.setColor(QPalette::Window, kNavy);
    palette.setColor(QPalette::WindowText, Qt::white);
    palette.setColor(QPalette::Button, Qt::white);
    palette.setColor(QPalette::ButtonText, Qt::black);
    return palette;
}

template <class Widget>
Widget* Placed(Widget* widget, const QString& name, const QRect& geometry) {
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

Frame* AddFrame(QWidget* parent, const QString& name, const QString& caption,
                const QRect& geometry) {
    return Placed(new Frame(caption, parent), name, geometry);
}

QPushButton* AddButton(QWidget* parent, const QString& name, const QString& caption,
                       const QRect& geometry) {
    return Placed(new QPushButton(caption, parent), name, geometry);
}

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
    QLabel* label = Placed(new QLabel(text, parent), name, geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

QLabel* AddBoldLabel(QWidget* parent, const QString& name, const QString& text,
                     const QRect& geometry) {
    QLabel* label = AddLabel(parent, name, text, geometry);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

const QList<FileFilter>& SaveFilters() {
    static const QList<FileFilter> filters{
        {QStringLiteral("Bitmaps (*.bmp)"), QStringLiteral("*.bmp")},
        // Everything, as "*.*" means on Windows.
        {QStringLiteral("All Files *.*)"), QStringLiteral("*")},
    };
    return filters;
}

}  // namespace

QString EffectButtonName(const effects::Preset& preset) {
    QString name;
    for (const QString& word : QStringOf(preset.caption).split(QLatin1Char(' ')))
        name += name.isEmpty() ? word.toLower() : word.left(1).toUpper() + word.mid(1).toLower();
    return name + QStringLiteral("Button");
}

QString SliderName(int index) { return QString::fromLatin1(kSliderChannels[index]) + QStringLiteral("Slider"); }

MainWindow::MainWindow(const QString& roofsFolder, Dialogs& dialogs,
             std::span<const effects::Preset> presets, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
    engine_.setYieldHook([this] { yieldToWindow(); });
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tegmora"));
    setWindowIcon(QIcon(QPixmap::fromImage(AppIcon(64))));
    setFont(WindowFont());
    setPalette(WindowPalette(palette()));
    setAutoFillBackground(true);
    setFixedSize(kClientSize);
    if (screen() != nullptr)
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen()->availableGeometry()));

    buildRoofList();
    buildImageViews();
    buildSliders();
    buildMainOptions();
    buildEffectButtons(presets);
    buildAbout();
    buildHistoryKeys();
    buildRoofCommands();
    setAcceptDrops(true);

    roofList_->setFolder(roofsFolder);
    roofList_->setCurrentRow(0);
}

MainWindow::~MainWindow() = default;

void MainWindow::chooseRoofNamed(const QString& name) {
    const QList<QListWidgetItem*> found = roofList_->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!found.isEmpty()) roofList_->setCurrentItem(found.first());
}

void MainWindow::buildRoofList() {
    Frame* frame = AddFrame(this, QStringLiteral("roofListFrame"), tr("Roof List:"), {8, 8, 201, 241});
    roofList_ = Placed(new RoofList(frame), QStringLiteral("roofList"), {8, 16, 185, 214});
    roofList_->setPalette(style()->standardPalette());
    connect(roofList_, &RoofList::entryChosen, this, &MainWindow::chooseRoof);
}

void MainWindow::buildImageViews() {
    Frame* frame = AddFrame(this, QStringLiteral("imageFrame"), tr("Image:"), {216, 8, 81, 65});
    displayView_ = Placed(new PictureView(PictureView::Sizing::ToImage, frame),
                       QStringLiteral("displayView"), {-16, 24, 68, 68});
    workingView_ = Placed(new PictureView(PictureView::Sizing::Fixed, frame),
                       QStringLiteral("workingView"), {152, 16, 68, 68});
    // The working view starts out holding the start picture too, so that an
    // empty roofs folder still leaves an image to work on and to save.
    const QImage start = StartPicture();
    displayView_->setImage(start);
    workingView_->setImage(start.copy());
    connect(displayView_, &PictureView::doubleClicked, this, &MainWindow::showPreview);
    connect(workingView_, &PictureView::doubleClicked, this, &MainWindow::showPreview);
}

void MainWindow::buildSliders() {
    Frame* frame = AddFrame(this, QStringLiteral("rgbFrame"), tr("RGB:"), {216, 80, 81, 169});
    const QString captions[] = {tr("R:"), tr("G:"), tr("B:")};
    for (int i = 0; i < 3; ++i) {
        const int left = 8 + 24 * i;
        const QString channel = QString::fromLatin1(kSliderChannels[i]);
        AddLabel(frame, channel + QStringLiteral("Label"), captions[i], {left, 16, 17, 17});
        QScrollBar* slider = Placed(new QScrollBar(Qt::Vertical, frame), SliderName(i), {left, 32, 17, 129});
        slider->setPalette(style()->standardPalette());
        slider->setRange(-kSliderLimit, kSliderLimit);
        slider->setSingleStep(1);
        slider->setPageStep(1);
        slider->setValue(0);
        // A drag counts when the thumb is let go.
        slider->setTracking(false);
        connect(slider, &QScrollBar::valueChanged, this, &MainWindow::scaleChannels);
        sliders_[static_cast<std::size_t>(i)] = slider;
    }
}

void MainWindow::buildMainOptions() {
    Frame* frame = AddFrame(this, QStringLiteral("mainOptionsFrame"), tr("Main Options:"), {304, 8, 249, 49});
    connect(AddButton(frame, QStringLiteral("saveButton"), tr("Save"), {8, 16, 73, 25}),
            &QPushButton::clicked, this, &MainWindow::save);
    connect(AddButton(frame, QStringLiteral("deleteButton"), tr("Delete"), {88, 16, 73, 25}),
            &QPushButton::clicked, this, &MainWindow::deleteChosenRoof);
    connect(AddButton(frame, QStringLiteral("closeButton"), tr("Close"), {168, 16, 73, 25}),
            &QPushButton::clicked, this, &QWidget::close);
}

void MainWindow::buildEffectButtons(std::span<const effects::Preset> presets) {
    Frame* frame =
        AddFrame(this, QStringLiteral("effectsFrame"), tr("Image Options - double click to show effect:"),
                 {304, 64, 249, 185});
    int index = 0;
    for (const effects::Preset& preset : presets) {
        const QPoint topLeft(kEffectColumnLeft[index / kEffectRows],
                             16 * (index % kEffectRows + 1));
        QPushButton* button = AddButton(frame, EffectButtonName(preset), QStringOf(preset.caption),
                                        {topLeft, kEffectButtonSize});
        connect(button, &QPushButton::clicked, this, [this, preset] { applyEffect(preset); });
        ++index;
    }
}

void MainWindow::buildAbout() {
    Frame* frame = AddFrame(this, QStringLiteral("aboutFrame"), tr("About:"), {8, 256, 545, 57});
    connect(
        AddButton(frame, QStringLiteral("homePageButton"), QString::fromLatin1(kAuthor), {8, 16, 129, 17}),
        &QPushButton::clicked, this,
        [this] { dialogs_.openUrl(QUrl(QString::fromLatin1(kHomePage))); });
    AddBoldLabel(frame, QStringLiteral("contactCaption"), QString::fromLatin1(kContactCaption),
                 {152, 16, 97, 17});
    AddLabel(frame, QStringLiteral("contactAddress"), QString::fromLatin1(kContactAddress),
             {152, 32, 121, 17});
    AddBoldLabel(frame, QStringLiteral("webCaption"), QString::fromLatin1(kWebCaption),
                 {384, 16, 121, 17});
    AddLabel(frame, QStringLiteral("webAddress"), QString::fromLatin1(kWebAddress), {392, 32, 97, 17});
    AddLabel(this, QStringLiteral("thanksLine"),
             QStringLiteral("Thanks for supporting %1!  Have any problems/suggestions?   "
                            "Contact me at %2!")
                 .arg(QString::fromLatin1(kAuthor), QString::fromLatin1(kContactAddress)),
             {8, 320, 545, 25});
}

// Qt's standard keys, and Ctrl+Y for redo wherever the platform's list
// lacks it.
void MainWindow::buildHistoryKeys() {
    auto* undoAction = new QAction(tr("Undo"), this);
    undoAction->setObjectName(QStringLiteral("Undo"));
    undoAction->setShortcuts(QKeySequence::Undo);
    connect(undoAction, &QAction::triggered, this, &MainWindow::undo);
    auto* redoAction = new QAction(tr("Redo"), this);
    redoAction->setObjectName(QStringLiteral("Redo"));
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                    QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (!redoKeys.contains(key)) redoKeys << key;
    redoAction->setShortcuts(redoKeys);
    connect(redoAction, &QAction::triggered, this, &MainWindow::redo);
    addActions({undoAction, redoAction});
}

// The commands that make roofs, by key and in the right-click menus of the
// list (all three) and the pictures (those that change the working view).
void MainWindow::buildRoofCommands() {
    const auto command = [this](const QString& caption, const QString& name, QKeyCombination key,
                                void (MainWindow::*run)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    QAction* newRoof = command(tr("New Roof from Picture…"), QStringLiteral("NewRoof"),
                               Qt::CTRL | Qt::Key_N, &MainWindow::chooseNewRoofPicture);
    QAction* seamless = command(tr("Make Seamless"), QStringLiteral("MakeSeamless"),
                                Qt::CTRL | Qt::Key_T, &MainWindow::makeSeamless);
    QAction* hue = command(tr("Hue / Saturation…"), QStringLiteral("HueSaturation"),
                           Qt::CTRL | Qt::Key_U, &MainWindow::openHueSaturation);
    roofList_->addActions({newRoof, seamless, hue});
    displayView_->addActions({seamless, hue});
    workingView_->addActions({seamless, hue});
    for (QWidget* widget : std::initializer_list<QWidget*>{roofList_, displayView_, workingView_})
        widget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!mayDiscardNewRoof()) {
        event->ignore();
        return;
    }
    closing_ = true;
    if (preview_ != nullptr) preview_->close();
    QWidget::closeEvent(event);
}

void MainWindow::yieldToWindow() {
    QCoreApplication::processEvents();
    if (closing_) throw EffectAbandoned{};
}

void MainWindow::chooseRoof(int row) {
    // The engine works on the working view's pixels until it finishes, so
    // nothing may replace them meanwhile.
    if (engine_.busy() || !mayDiscardNewRoof()) {
        roofList_->setCurrentNameQuietly(chosenRoof_);
        return;
    }
    chosenRoof_ = roofList_->currentName();
    loadRoof(row);
}

bool MainWindow::mayDiscardNewRoof() {
    return newRoofName_.isEmpty() ||
           dialogs_.askYesNo(this, tr("New Roof Not Saved"),
                             tr("The new roof %1 is not saved. Discard it?").arg(newRoofName_));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !engine_.busy()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (engine_.busy()) return;
    const DroppedFile dropped = DroppedPicture(*event->mimeData());
    if (!dropped.problem.isEmpty()) {
        dialogs_.showError(this, dropped.problem);
        return;
    }
    event->acceptProposedAction();
    if (mayDiscardNewRoof()) makeNewRoof(dropped.path);
}

void MainWindow::chooseNewRoofPicture() {
    if (engine_.busy() || !mayDiscardNewRoof()) return;
    const QString path = dialogs_.askOpenPath(this, tr("New Roof from Picture"), PictureFilters());
    if (!path.isEmpty()) makeNewRoof(path);
}

// The picture fitted to the folder's roof size becomes both views, one step.
void MainWindow::makeNewRoof(const QString& picturePath) {
    const imageio::LoadedImage loaded = imageio::LoadImage(picturePath);
    if (loaded.image.isNull()) {
        dialogs_.showError(this, loaded.error);
        return;
    }
    const QImage roof = imageio::Fitted(loaded.image, RoofSize(roofList_->folder(), RoofFileNames(roofList_->folder())));
    history_.record(currentState());
    const QString name = QFileInfo(picturePath).completeBaseName() + QStringLiteral(".bmp");
    restore({roof, roof.copy(), {0, 0, 0}, name});
}

void MainWindow::loadRoof(int row) {
    const imageio::LoadedImage loaded = imageio::LoadImage(roofList_->pathAt(row));
    if (loaded.image.isNull()) {
        dialogs_.showError(this, loaded.error);
        return;
    }
    // Setting the sliders back to 0 runs no pass: the working view already
    // holds the file as loaded.
    restore({loaded.image, loaded.image.copy(), {0, 0, 0}, QString()});
    loadedPalettised_ = loaded.palettised;
    history_.clear();
}

// The working view stands right beside the display view, as large.
void MainWindow::placeWorkingView() {
    workingView_->setGeometry({displayView_->geometry().right() + 1, workingView_->y(), displayView_->width(),
                            displayView_->height()});
}

void MainWindow::save() {
    if (engine_.busy()) return;
    if (!newRoofName_.isEmpty()) {
        saveNewRoof();
        return;
    }
    const QString path = dialogs_.askSavePath(this, roofList_->folder(), SaveFilters(), QString());
    if (path.isEmpty()) return;
    // A roof keeps the form it was loaded in: the game's own are 8-bit.
    const QString error = imageio::SaveImage(
        workingView_->image(), path,
        loadedPalettised_.isNull() ? imageio::FileFormat::Bitmap24 : imageio::FileFormat::Bitmap8,
        {loadedPalettised_});
    if (!error.isEmpty()) {
        dialogs_.showError(this, error);
        return;
    }
    roofList_->reread();
}

// A new roof takes the game's 8-bit form and becomes the chosen entry.
void MainWindow::saveNewRoof() {
    const QString path = dialogs_.askSavePath(this, roofList_->folder(), SaveFilters(), newRoofName_);
    if (path.isEmpty()) return;
    const QString error = imageio::SaveImage(workingView_->image(), path, imageio::FileFormat::Bitmap8);
    if (!error.isEmpty()) {
        dialogs_.showError(this, error);
        return;
    }
    newRoofName_.clear();
    loadedPalettised_ = imageio::LoadImage(path).palettised;
    roofList_->reread();
    roofList_->setCurrentNameQuietly(QFileInfo(path).fileName());
    chosenRoof_ = roofList_->currentName();
}

void MainWindow::deleteChosenRoof() {
    const int row = roofList_->currentRow();
    if (engine_.busy() || row < 0) return;
    const QString path = roofList_->pathAt(row);
    if (!dialogs_.askYesNo(this, tr("Confirm File Delete"),
                           tr("Are you sure you want to delete this file?")))
        return;
    const Removal removal = RemoveToTrash(path, [this] {
        return dialogs_.askYesNo(this, tr("Confirm File Delete"),
                                 tr("This file cannot be moved to the trash. Delete it for good? "
                                    "It cannot be restored."));
    });
    if (removal.outcome == Removal::Outcome::Kept) return;
    roofList_->reread();
    if (removal.outcome == Removal::Outcome::Failed) {
        dialogs_.showError(this, removal.error);
        return;
    }
    roofList_->setCurrentRow(0);
}

void MainWindow::applyEffect(const effects::Preset& preset) {
    // The engine holds the working view's pixels until it finishes, and
    // touching the view's image would move them under it. A click during a
    // run leaves the view alone: the engine would turn the click away, and
    // it shows the working view as it is.
    if (engine_.busy()) {
        displayView_->setImage(workingView_->image().copy());
        return;
    }
    WindowState before = currentState();
    if (runEffect(preset)) keepStep(std::move(before));
}

void MainWindow::keepStep(WindowState before) {
    history_.record(std::move(before));
    displayView_->setImage(workingView_->image().copy());
}

void MainWindow::makeSeamless() {
    if (engine_.busy()) return;
    WindowState before = currentState();
    workingView_->change([](QImage& image) { effects::MakeSeamless(imageio::BitmapOf(image)); });
    keepStep(std::move(before));
}

// The dialog is modal to the window but never holds the event loop; each
// change is worked out afresh from the working view as it was when it opened.
void MainWindow::openHueSaturation() {
    if (engine_.busy()) return;
    if (hueSaturation_ != nullptr) {
        hueSaturation_->raise();
        hueSaturation_->activateWindow();
        return;
    }
    beforeHueSaturation_ = currentState();
    hueSaturation_ = new HueSaturationDialog(this);
    hueSaturation_->setAttribute(Qt::WA_DeleteOnClose);
    connect(hueSaturation_, &HueSaturationDialog::adjustmentChanged, this, &MainWindow::showHueSaturation);
    connect(hueSaturation_, &QDialog::finished, this, &MainWindow::closeHueSaturation);
    // Below the pictures rather than over them, so that the changes show,
    // against the window's right edge.
    const int top = displayView_->parentWidget()->geometry().bottom() + 8;
    hueSaturation_->move(mapToGlobal(QPoint(width() - 8 - hueSaturation_->sizeHint().width(), top)));
    hueSaturation_->open();
}

void MainWindow::showHueSaturation(const effects::HueSaturationLightness& adjustment) {
    workingView_->change([this, &adjustment](QImage& image) {
        image = beforeHueSaturation_.working.copy();
        effects::AdjustHueSaturationLightness(imageio::BitmapOf(image), adjustment);
    });
}

void MainWindow::closeHueSaturation(int result) {
    const bool keep = result == QDialog::Accepted && !hueSaturation_->changesNothing();
    hueSaturation_ = nullptr;
    if (keep)
        keepStep(std::move(beforeHueSaturation_));
    else
        workingView_->setImage(beforeHueSaturation_.working);
    beforeHueSaturation_ = {};
}

bool MainWindow::runEffect(const effects::Preset& preset) {
    try {
        workingView_->change([this, &preset](QImage& image) {
            engine_.applyFilter(preset.code, imageio::BitmapOf(image), preset.amount,
                                 filterProgress_);
        });
        return true;
    } catch (const effects::FilterError& error) {
        dialogs_.showError(
            this,
            tr("%1 failed: %2").arg(QStringOf(preset.caption), QString::fromUtf8(error.what())));
    } catch (const EffectAbandoned&) {
    }
    return false;
}

void MainWindow::scaleChannels() {
    if (engine_.busy()) {
        setSlidersQuietly(appliedSliders_);
        return;
    }
    const SliderValues values{sliders_[0]->value(), sliders_[1]->value(), sliders_[2]->value()};
    history_.record(currentState());
    appliedSliders_ = values;
    const ChannelFactors factors = FactorsOf(values[0], values[1], values[2]);
    workingView_->change([this, &factors](QImage& target) {
        ScaleChannels(displayView_->image(), target, factors,
                      [this](int columns) { workingView_->showColumns(columns); });
    });
}

void MainWindow::setSlidersQuietly(const SliderValues& values) {
    for (std::size_t i = 0; i < sliders_.size(); ++i) {
        const QSignalBlocker quiet(sliders_[i]);
        sliders_[i]->setValue(values[i]);
    }
    appliedSliders_ = values;
}

WindowState MainWindow::currentState() const {
    return {displayView_->image(), workingView_->image(), appliedSliders_, newRoofName_};
}

// Both views and the sliders as they were, without a pass of the sliders.
void MainWindow::restore(const WindowState& state) {
    displayView_->setImage(state.display);
    workingView_->setImage(state.working);
    placeWorkingView();
    setSlidersQuietly(state.sliders);
    newRoofName_ = state.newRoofName;
}

// Keys pressed during a run are ignored, as the other commands are.
void MainWindow::undo() {
    if (engine_.busy()) return;
    if (std::optional<WindowState> state = history_.undo(currentState())) restore(*state);
}

void MainWindow::redo() {
    if (engine_.busy()) return;
    if (std::optional<WindowState> state = history_.redo(currentState())) restore(*state);
}

// One preview, made on first use, showing the working view as it changes.
void MainWindow::showPreview() {
    if (preview_ == nullptr) {
        preview_ = std::make_unique<TilePreview>();
        preview_->setWindowIcon(windowIcon());
        connect(workingView_, &PictureView::changed, preview_.get(),
                [this] { preview_->setImage(workingView_->image()); });
    }
    preview_->setImage(workingView_->image());
    preview_->show();
    preview_->raise();
    preview_->activateWindow();
}

}  // namespace tegmora::app
