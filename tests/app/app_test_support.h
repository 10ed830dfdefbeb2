// What the window's tests share: a game prefix in a temporary folder and
// tiny images built inline.
#pragma once

#include "channel_scaling.h"
#include "demo_prefix.h"
#include "dialogs.h"
#include "qt_text.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <initializer_list>

namespace tegmora::app::testing {

// An image from rows of 0xRRGGBB values, top row first.
inline QImage Pixels(std::initializer_list<std::initializer_list<QRgb>> rows) {
    QImage image(static_cast<int>(rows.begin()->size()), static_cast<int>(rows.size()),
                 QImage::Format_RGB32);
    int y = 0;
    for (const auto& row : rows)
        std::transform(row.begin(), row.end(), reinterpret_cast<QRgb*>(image.scanLine(y++)),
                       [](QRgb colour) { return 0xFF000000u | colour; });
    return image;
}

// The sliders' pass over a target filled with another colour first, so
// that every pixel must be written.
inline QImage Scaled(const QImage& source, int red, int green, int blue) {
    QImage target(source.size(), source.format());
    target.fill(0xFF123456u);
    ScaleChannels(source, target, FactorsOf(red, green, blue), [](int) {});
    return target;
}

// Two paths of one existing folder, links resolved.
inline bool SameFolder(const QString& a, const QString& b) {
    return !a.isEmpty() && QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

// A Wine prefix with the game installed and an empty roofs folder.
class GamePrefix {
public:
    GamePrefix() : roofs_(QStringOfPath(demo::MakeGamePrefix(prefix()))) {}

    std::filesystem::path prefix() const {
        return std::filesystem::path(dir_.path().toStdString());
    }
    const QString& roofs() const { return roofs_; }
    QString roof(const QString& name) const { return QDir(roofs_).filePath(name); }

    void addRoof(const QString& name, const QImage& image) const {
        QVERIFY(image.save(roof(name), "BMP"));
    }

private:
    QTemporaryDir dir_;
    QString roofs_;
};

// Answers the window's questions as told, and records what it asked.
class ScriptedDialogs final : public Dialogs {
public:
    QString savePathAnswer;
    QString openPathAnswer;
    QList<bool> yesAnswers;     // one per question, first first; yes when none is left
    QList<bool> choiceAnswers;  // Choose Folder (true) or Close, in turn; Close when none are left
    QStringList folderAnswers;  // the folders chosen, in turn

    QStringList saveFolders;
    QStringList suggestedNames;  // one per Save As, empty when none was suggested
    QStringList questions;  // "title: question"
    QStringList errors;
    QStringList offers;  // the messages that offered a folder choice

    QString askSavePath(QWidget*, const QString& folder, const QList<FileFilter>&,
                        const QString& suggestedName) override {
        saveFolders << folder;
        suggestedNames << suggestedName;
        return savePathAnswer;
    }
    QString askOpenPath(QWidget*, const QString&, const QList<FileFilter>&) override {
        return openPathAnswer;
    }
    bool askYesNo(QWidget*, const QString& title, const QString& question) override {
        questions << title + QStringLiteral(": ") + question;
        return yesAnswers.isEmpty() || yesAnswers.takeFirst();
    }
    void showError(QWidget*, const QString& message) override { errors << message; }
    void openUrl(const QUrl&) override {}
    bool offerFolderChoice(QWidget*, const QString& message) override {
        offers << message;
        return !choiceAnswers.isEmpty() && choiceAnswers.takeFirst();
    }
    QString askFolder(QWidget*, const QString&) override {
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }

    bool askedAnything() const {
        return !saveFolders.isEmpty() || !questions.isEmpty() || !errors.isEmpty() || !offers.isEmpty();
    }
};

}  // namespace tegmora::app::testing
