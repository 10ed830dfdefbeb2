#include "form1.h"

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
#include <string_view>
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

// The effect buttons' object names, by caption.
struct EffectButton {
    std::string_view caption;
    int number;
};
constexpr EffectButton kEffectButtons[] = {
    {"Smooth", 6},
    {"Blur", 7},
    {"Sharpen", 8},
    {"Sharpen More", 9},
    {"Diffuse", 10},
    {"Diffuse More", 11},
    {"Pixelize", 12},
    {"Relief", 17},
    {"Edge Enhance", 18},
    {"Increase Saturation", 31},
    {"Black and White", 33},
    {"Gray Scale", 21},
    {"Brighter", 24},
    {"Darker", 25},
    {"Increase Contrast", 26},
    {"Decrease Contrast", 27},
    {"Dilate", 28},
    {"Erode", 29},
    {"Contour", 19},
    {"Decrease Saturation", 32},
};

}  // namespace

QString EffectButtonName(const effects::Preset& preset) {
    for (const EffectButton& button : kEffectButtons)
        if (button.caption == preset.caption) return QStringLiteral("Command%1").arg(button.number);
    return QStringOf(preset.caption);
}

Form1::Form1(const QString& roofsFolder, Dialogs& dialogs,
             std::span<const effects::Preset> presets, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(dialogs) {
    engine_.setYieldHook([this] { yieldToWindow(); });
    setObjectName(QStringLiteral("Form1"));
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

    file1_->setFolder(roofsFolder);
    file1_->setCurrentRow(0);
}

Form1::~Form1() = default;

void Form1::chooseRoofNamed(const QString& name) {
    const QList<QListWidgetItem*> found = file1_->findItems(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!found.isEmpty()) file1_->setCurrentItem(found.first());
}

void Form1::buildRoofList() {
    Frame* frame = AddFrame(this, QStringLiteral("Frame1"), tr("Roof List:"), {8, 8, 201, 241});
    file1_ = Placed(new RoofList(frame), QStringLiteral("File1"), {8, 16, 185, 214});
    file1_->setPalette(style()->standardPalette());
    connect(file1_, &RoofList::entryChosen, this, &Form1::chooseRoof);
}

void Form1::buildImageViews() {
    Frame* frame = AddFrame(this, QStringLiteral("Frame2"), tr("Image:"), {216, 8, 81, 65});
    picture1_ = Placed(new PictureView(PictureView::Sizing::ToImage, frame),
                       QStringLiteral("Picture1"), {-16, 24, 68, 68});
    picture3_ = Placed(new PictureView(PictureView::Sizing::Fixed, frame),
                       QStringLiteral("Picture3"), {152, 16, 68, 68});
    // The working view starts out holding the start picture too, so that an
    // empty roofs folder still leaves an image to work on and to save.
    const QImage start = StartPicture();
    picture1_->setImage(start);
    picture3_->setImage(start.copy());
    connect(picture1_, &PictureView::doubleClicked, this, &Form1::showPreview);
    connect(picture3_, &PictureView::doubleClicked, this, &Form1::showPreview);
}

void Form1::buildSliders() {
    Frame* frame = AddFrame(this, QStringLiteral("Frame5"), tr("RGB:"), {216, 80, 81, 169});
    const QString captions[] = {tr("R:"), tr("G:"), tr("B:")};
    for (int i = 0; i < 3; ++i) {
        const int left = 8 + 24 * i;
        AddLabel(frame, QStringLiteral("Label%1").arg(i + 1), captions[i], {left, 16, 17, 17});
        QScrollBar* slider = Placed(new QScrollBar(Qt::Vertical, frame),
                                    QStringLiteral("VScroll%1").arg(i + 1), {left, 32, 17, 129});
        slider->setPalette(style()->standardPalette());
        slider->setRange(-kSliderLimit, kSliderLimit);
        slider->setSingleStep(1);
        slider->setPageStep(1);
        slider->setValue(0);
        // A drag counts when the thumb is let go.
        slider->setTracking(false);
        connect(slider, &QScrollBar::valueChanged, this, &Form1::scaleChannels);
        sliders_[static_cast<std::size_t>(i)] = slider;
    }
}

void Form1::buildMainOptions() {
    Frame* frame = AddFrame(this, QStringLiteral("Frame3"), tr("Main Options:"), {304, 8, 249, 49});
    connect(AddButton(frame, QStringLiteral("Command1"), tr("Save"), {8, 16, 73, 25}),
            &QPushButton::clicked, this, &Form1::save);
    connect(AddButton(frame, QStringLiteral("Command3"), tr("Delete"), {88, 16, 73, 25}),
            &QPushButton::clicked, this, &Form1::deleteChosenRoof);
    connect(AddButton(frame, QStringLiteral("Command5"), tr("Close"), {168, 16, 73, 25}),
            &QPushButton::clicked, this, &QWidget::close);
}

void Form1::buildEffectButtons(std::span<const effects::Preset> presets) {
    Frame* frame =
        AddFrame(this, QStringLiteral("Frame6"), tr("Image Options - double click to show effect:"),
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

void Form1::buildAbout() {
    Frame* frame = AddFrame(this, QStringLiteral("Frame4"), tr("About:"), {8, 256, 545, 57});
    connect(
        AddButton(frame, QStringLiteral("Command2"), QString::fromLatin1(kAuthor), {8, 16, 129, 17}),
        &QPushButton::clicked, this,
        [this] { dialogs_.openUrl(QUrl(QString::fromLatin1(kHomePage))); });
    AddBoldLabel(frame, QStringLiteral("Label4"), QString::fromLatin1(kContactCaption),
                 {152, 16, 97, 17});
    AddLabel(frame, QStringLiteral("Label5"), QString::fromLatin1(kContactAddress),
             {152, 32, 121, 17});
    AddBoldLabel(frame, QStringLiteral("Label6"), QString::fromLatin1(kWebCaption),
                 {384, 16, 121, 17});
    AddLabel(frame, QStringLiteral("Label7"), QString::fromLatin1(kWebAddress), {392, 32, 97, 17});
    AddLabel(this, QStringLiteral("Label9"),
             QStringLiteral("Thanks for supporting %1!  Have any problems/suggestions?   "
                            "Contact me at %2!")
                 .arg(QString::fromLatin1(kAuthor), QString::fromLatin1(kContactAddress)),
             {8, 320, 545, 25});
}

// Qt's standard keys, and Ctrl+Y for redo wherever the platform's list
// lacks it.
void Form1::buildHistoryKeys() {
    auto* undoAction = new QAction(tr("Undo"), this);
    undoAction->setObjectName(QStringLiteral("Undo"));
    undoAction->setShortcuts(QKeySequence::Undo);
    connect(undoAction, &QAction::triggered, this, &Form1::undo);
    auto* redoAction = new QAction(tr("Redo"), this);
    redoAction->setObjectName(QStringLiteral("Redo"));
    QList<QKeySequence> redoKeys = QKeySequence::keyBindings(QKeySequence::Redo);
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                    QKeySequence(Qt::CTRL | Qt::Key_Y)})
        if (!redoKeys.contains(key)) redoKeys << key;
    redoAction->setShortcuts(redoKeys);
    connect(redoAction, &QAction::triggered, this, &Form1::redo);
    addActions({undoAction, redoAction});
}

// The commands that make roofs, by key and in the right-click menus of the
// list (all three) and the pictures (those that change the working view).
void Form1::buildRoofCommands() {
    const auto command = [this](const QString& caption, const QString& name, QKeyCombination key,
                                void (Form1::*run)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(name);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    QAction* newRoof = command(tr("New Roof from Picture…"), QStringLiteral("NewRoof"),
                               Qt::CTRL | Qt::Key_N, &Form1::chooseNewRoofPicture);
    QAction* seamless = command(tr("Make Seamless"), QStringLiteral("MakeSeamless"),
                                Qt::CTRL | Qt::Key_T, &Form1::makeSeamless);
    QAction* hue = command(tr("Hue / Saturation…"), QStringLiteral("HueSaturation"),
                           Qt::CTRL | Qt::Key_U, &Form1::openHueSaturation);
    file1_->addActions({newRoof, seamless, hue});
    picture1_->addActions({seamless, hue});
    picture3_->addActions({seamless, hue});
    for (QWidget* widget : std::initializer_list<QWidget*>{file1_, picture1_, picture3_})
        widget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!mayDiscardNewRoof()) {
        event->ignore();
        return;
    }
    closing_ = true;
    if (preview_ != nullptr) preview_->close();
    QWidget::closeEvent(event);
}

void Form1::yieldToWindow() {
    QCoreApplication::processEvents();
    if (closing_) throw EffectAbandoned{};
}

void Form1::chooseRoof(int row) {
    // The engine works on the working view's pixels until it finishes, so
    // nothing may replace them meanwhile.
    if (engine_.busy() || !mayDiscardNewRoof()) {
        file1_->setCurrentNameQuietly(chosenRoof_);
        return;
    }
    chosenRoof_ = file1_->currentName();
    loadRoof(row);
}

bool Form1::mayDiscardNewRoof() {
    return newRoofName_.isEmpty() ||
           dialogs_.askYesNo(this, tr("New Roof Not Saved"),
                             tr("The new roof %1 is not saved. Discard it?").arg(newRoofName_));
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !engine_.busy()) event->acceptProposedAction();
}

void Form1::dropEvent(QDropEvent* event) {
    if (engine_.busy()) return;
    const DroppedFile dropped = DroppedPicture(*event->mimeData());
    if (!dropped.problem.isEmpty()) {
        dialogs_.showError(this, dropped.problem);
        return;
    }
    event->acceptProposedAction();
    if (mayDiscardNewRoof()) makeNewRoof(dropped.path);
}

void Form1::chooseNewRoofPicture() {
    if (engine_.busy() || !mayDiscardNewRoof()) return;
    const QString path = dialogs_.askOpenPath(this, tr("New Roof from Picture"), PictureFilters());
    if (!path.isEmpty()) makeNewRoof(path);
}

// The picture fitted to the folder's roof size becomes both views, one step.
void Form1::makeNewRoof(const QString& picturePath) {
    const imageio::LoadedImage loaded = imageio::LoadImage(picturePath);
    if (loaded.image.isNull()) {
        dialogs_.showError(this, loaded.error);
        return;
    }
    const QImage roof = Fitted(loaded.image, RoofSize(file1_->folder(), RoofFileNames(file1_->folder())));
    history_.record(currentState());
    const QString name = QFileInfo(picturePath).completeBaseName() + QStringLiteral(".bmp");
    restore({roof, roof.copy(), {0, 0, 0}, name});
}

void Form1::loadRoof(int row) {
    const imageio::LoadedImage loaded = imageio::LoadImage(file1_->pathAt(row));
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
void Form1::placeWorkingView() {
    picture3_->setGeometry({picture1_->geometry().right() + 1, picture3_->y(), picture1_->width(),
                            picture1_->height()});
}

void Form1::save() {
    if (engine_.busy()) return;
    if (!newRoofName_.isEmpty()) {
        saveNewRoof();
        return;
    }
    const QString path = dialogs_.askSavePath(this, file1_->folder(), SaveFilters(), QString());
    if (path.isEmpty()) return;
    // A roof keeps the form it was loaded in: the game's own are 8-bit.
    const QString error = imageio::SaveImage(
        picture3_->image(), path,
        loadedPalettised_.isNull() ? imageio::FileFormat::Bitmap24 : imageio::FileFormat::Bitmap8,
        {loadedPalettised_});
    if (!error.isEmpty()) {
        dialogs_.showError(this, error);
        return;
    }
    file1_->reread();
}

// A new roof takes the game's 8-bit form and becomes the chosen entry.
void Form1::saveNewRoof() {
    const QString path = dialogs_.askSavePath(this, file1_->folder(), SaveFilters(), newRoofName_);
    if (path.isEmpty()) return;
    const QString error = imageio::SaveImage(picture3_->image(), path, imageio::FileFormat::Bitmap8);
    if (!error.isEmpty()) {
        dialogs_.showError(this, error);
        return;
    }
    newRoofName_.clear();
    loadedPalettised_ = imageio::LoadImage(path).palettised;
    file1_->reread();
    file1_->setCurrentNameQuietly(QFileInfo(path).fileName());
    chosenRoof_ = file1_->currentName();
}

void Form1::deleteChosenRoof() {
    const int row = file1_->currentRow();
    if (engine_.busy() || row < 0) return;
    const QString path = file1_->pathAt(row);
    if (!dialogs_.askYesNo(this, tr("Confirm File Delete"),
                           tr("Are you sure you want to delete this file?")))
        return;
    const Removal removal = RemoveToTrash(path, [this] {
        return dialogs_.askYesNo(this, tr("Confirm File Delete"),
                                 tr("This file cannot be moved to the trash. Delete it for good? "
                                    "It cannot be restored."));
    });
    if (removal.outcome == Removal::Outcome::Kept) return;
    file1_->reread();
    if (removal.outcome == Removal::Outcome::Failed) {
        dialogs_.showError(this, removal.error);
        return;
    }
    file1_->setCurrentRow(0);
}

void Form1::applyEffect(const effects::Preset& preset) {
    // The engine holds the working view's pixels until it finishes, and
    // touching the view's image would move them under it. A click during a
    // run leaves the view alone: the engine would turn the click away, and
    // it shows the working view as it is.
    if (!engine_.busy()) {
        WindowState before = currentState();
        if (!runEffect(preset)) return;
        history_.record(std::move(before));
    }
    picture1_->setImage(picture3_->image().copy());
}

void Form1::keepStep(WindowState before) {
    history_.record(std::move(before));
    picture1_->setImage(picture3_->image().copy());
}

void Form1::makeSeamless() {
    if (engine_.busy()) return;
    WindowState before = currentState();
    picture3_->change([](QImage& image) { effects::MakeSeamless(imageio::BitmapOf(image)); });
    keepStep(std::move(before));
}

// The dialog is modal to the window but never holds the event loop; each
// change is worked out afresh from the working view as it was when it opened.
void Form1::openHueSaturation() {
    if (engine_.busy()) return;
    if (hueSaturation_ != nullptr) {
        hueSaturation_->raise();
        hueSaturation_->activateWindow();
        return;
    }
    beforeHueSaturation_ = currentState();
    hueSaturation_ = new HueSaturationDialog(this);
    hueSaturation_->setAttribute(Qt::WA_DeleteOnClose);
    connect(hueSaturation_, &HueSaturationDialog::adjustmentChanged, this, &Form1::showHueSaturation);
    connect(hueSaturation_, &QDialog::finished, this, &Form1::closeHueSaturation);
    // Below the pictures rather than over them, so that the changes show,
    // against the window's right edge.
    const int top = picture1_->parentWidget()->geometry().bottom() + 8;
    hueSaturation_->move(mapToGlobal(QPoint(width() - 8 - hueSaturation_->sizeHint().width(), top)));
    hueSaturation_->open();
}

void Form1::showHueSaturation(const effects::HueSaturationLightness& adjustment) {
    picture3_->change([this, &adjustment](QImage& image) {
        image = beforeHueSaturation_.working.copy();
        effects::AdjustHueSaturationLightness(imageio::BitmapOf(image), adjustment);
    });
}

void Form1::closeHueSaturation(int result) {
    const bool keep = result == QDialog::Accepted && !hueSaturation_->changesNothing();
    hueSaturation_ = nullptr;
    if (keep)
        keepStep(std::move(beforeHueSaturation_));
    else
        picture3_->setImage(beforeHueSaturation_.working);
    beforeHueSaturation_ = {};
}

bool Form1::runEffect(const effects::Preset& preset) {
    try {
        picture3_->change([this, &preset](QImage& image) {
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

void Form1::scaleChannels() {
    if (engine_.busy()) {
        setSlidersQuietly(appliedSliders_);
        return;
    }
    const SliderValues values{sliders_[0]->value(), sliders_[1]->value(), sliders_[2]->value()};
    history_.record(currentState());
    appliedSliders_ = values;
    const ChannelFactors factors = FactorsOf(values[0], values[1], values[2]);
    picture3_->change([this, &factors](QImage& target) {
        ScaleChannels(picture1_->image(), target, factors,
                      [this](int columns) { picture3_->showColumns(columns); });
    });
}

void Form1::setSlidersQuietly(const SliderValues& values) {
    for (std::size_t i = 0; i < sliders_.size(); ++i) {
        const QSignalBlocker quiet(sliders_[i]);
        sliders_[i]->setValue(values[i]);
    }
    appliedSliders_ = values;
}

WindowState Form1::currentState() const {
    return {picture1_->image(), picture3_->image(), appliedSliders_, newRoofName_};
}

// Both views and the sliders as they were, without a pass of the sliders.
void Form1::restore(const WindowState& state) {
    picture1_->setImage(state.display);
    picture3_->setImage(state.working);
    placeWorkingView();
    setSlidersQuietly(state.sliders);
    newRoofName_ = state.newRoofName;
}

// Keys pressed during a run are ignored, as the other commands are.
void Form1::undo() {
    if (engine_.busy()) return;
    if (std::optional<WindowState> state = history_.undo(currentState())) restore(*state);
}

void Form1::redo() {
    if (engine_.busy()) return;
    if (std::optional<WindowState> state = history_.redo(currentState())) restore(*state);
}

// One preview, made on first use, showing the working view as it changes.
void Form1::showPreview() {
    if (preview_ == nullptr) {
        preview_ = std::make_unique<TilePreview>();
        preview_->setWindowIcon(windowIcon());
        connect(picture3_, &PictureView::changed, preview_.get(),
                [this] { preview_->setImage(picture3_->image()); });
    }
    preview_->setImage(picture3_->image());
    preview_->show();
    preview_->raise();
    preview_->activateWindow();
}

}  // namespace tegmora::app
