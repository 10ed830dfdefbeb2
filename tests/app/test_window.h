// The window on a temporary game prefix, driven through its controls the way
// a user would, with scripted dialogs answering in place of the user.
#pragma once

#include "app_test_support.h"
#include "effects.h"
#include "form1.h"
#include "picture_view.h"
#include "roof_list.h"

#include <QFile>
#include <QPushButton>
#include <QScrollBar>

#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <utility>

namespace tegmora::app::testing {

struct Roof {
    const char* name;
    QImage image;
};

// The window on a game prefix holding `roofs`, answering through scripted
// dialogs.
class Window {
public:
    explicit Window(std::initializer_list<Roof> roofs = {},
                    std::span<const effects::Preset> presets = effects::Presets())
        : Window([&roofs](const GamePrefix& game) {
              for (const Roof& roof : roofs) game.addRoof(QString::fromLatin1(roof.name), roof.image);
          }, presets) {}

    // The window on a game prefix whose roofs folder `fill` has filled.
    explicit Window(const std::function<void(const GamePrefix&)>& fill,
                    std::span<const effects::Preset> presets = effects::Presets()) {
        fill(game);
        form_ = std::make_unique<Form1>(game.roofs(), dialogs, presets);
        form_->show();
    }

    Form1& form() { return *form_; }
    template <class Widget>
    Widget* child(const QString& name) {
        auto* widget = form_->findChild<Widget*>(name);
        if (widget == nullptr) qFatal("the window has no %s", qPrintable(name));
        return widget;
    }
    void click(const char* button) { child<QPushButton>(QString::fromLatin1(button))->click(); }
    RoofList* list() { return child<RoofList>(QStringLiteral("File1")); }
    QScrollBar* slider(int number) {
        return child<QScrollBar>(QStringLiteral("VScroll%1").arg(number));
    }
    QImage display() { return child<PictureView>(QStringLiteral("Picture1"))->image(); }
    QImage working() { return child<PictureView>(QStringLiteral("Picture3"))->image(); }
    bool exists(const char* roof) const {
        return QFile::exists(game.roof(QString::fromLatin1(roof)));
    }

    // Runs `during` from inside the next effect's first yield; true when it
    // ran while the engine was busy.
    std::shared_ptr<bool> duringNextEffect(std::function<void()> during) {
        auto ranWhileBusy = std::make_shared<bool>(false);
        QMetaObject::invokeMethod(
            form_.get(),
            [during = std::move(during), ranWhileBusy] {
                *ranWhileBusy = effects::FilterBusy();
                during();
            },
            Qt::QueuedConnection);
        return ranWhileBusy;
    }

    GamePrefix game;
    ScriptedDialogs dialogs;

private:
    std::unique_ptr<Form1> form_;
};

}  // namespace tegmora::app::testing
