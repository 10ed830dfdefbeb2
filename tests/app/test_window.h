// The window on a temporary game prefix, driven through its controls and
// keys the way a user would, with scripted dialogs answering in place of the
// user.
#pragma once

#include "app_test_support.h"
#include "main_window.h"
#include "hue_saturation_dialog.h"
#include "picture_view.h"
#include "roof_list.h"
#include "tile_preview.h"

#include <QApplication>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>

#include <memory>

namespace tegmora::app::testing {

class Window {
public:
    // The window on a game prefix holding `roofs`, the demo roofs when
    // there are none. The desktop's trash lies in a home of its own.
    explicit Window(std::initializer_list<std::pair<const char*, QImage>> roofs = {},
                    std::span<const effects::Preset> presets = effects::Presets()) {
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
        for (const auto& [name, image] : roofs) game.addRoof(QString::fromLatin1(name), image);
        if (roofs.size() == 0) demo::WriteDemoRoofs(game.roofs().toStdString());
        form = std::make_unique<MainWindow>(game.roofs(), dialogs, presets);
        form->show();
    }

    template <class Widget>
    Widget* child(const QString& name) {
        auto* widget = form->findChild<Widget*>(name);
        if (widget == nullptr) qFatal("the window has no %s", qPrintable(name));
        return widget;
    }
    void click(const QString& button) { child<QPushButton>(button)->click(); }
    void press(const QKeySequence& keys) {
        QApplication::setActiveWindow(form.get());
        QTest::keySequence(form.get(), keys);
    }
    void undo() { press(QKeySequence(Qt::CTRL | Qt::Key_Z)); }
    void redo() { press(QKeySequence(Qt::CTRL | Qt::Key_Y)); }
    void doubleClick(const QString& view) { QTest::mouseDClick(child<PictureView>(view), Qt::LeftButton); }
    // Files dropped onto the window from a file manager.
    void drop(const QStringList& paths) {
        QMimeData data;
        for (const QString& path : paths) data.setUrls(data.urls() << QUrl::fromLocalFile(path));
        QDragEnterEvent enter({280, 170}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(280, 170), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter) && QApplication::sendEvent(form.get(), &drop);
    }
    // The open Hue / Saturation dialog, or nullptr.
    HueSaturationDialog* hueDialog() {
        for (auto* dialog : form->findChildren<HueSaturationDialog*>())
            if (dialog->isVisible()) return dialog;
        return nullptr;
    }
    RoofList* list() { return child<RoofList>(QStringLiteral("roofList")); }
    QScrollBar* slider(int number) { return child<QScrollBar>(SliderName(number - 1)); }
    QImage display() { return child<PictureView>(QStringLiteral("displayView"))->image(); }
    QImage working() { return child<PictureView>(QStringLiteral("workingView"))->image(); }
    bool exists(const QString& roof) const { return QFileInfo::exists(game.roof(roof)); }
    static QList<TilePreview*> previews() {
        QList<TilePreview*> found;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* preview = qobject_cast<TilePreview*>(widget)) found << preview;
        return found;
    }

    // Runs `during` from inside the next effect's first yield, counted in
    // `ranWhileBusy` when the engine was busy then.
    void duringNextEffect(const std::function<void()>& during) {
        QMetaObject::invokeMethod(form.get(), [this, during] {
            ranWhileBusy += form->effectRunning() ? 1 : 0;
            during();
        }, Qt::QueuedConnection);
    }

    QTemporaryDir home;
    GamePrefix game;
    ScriptedDialogs dialogs;
    int ranWhileBusy = 0;
    std::unique_ptr<MainWindow> form;
};

}  // namespace tegmora::app::testing
