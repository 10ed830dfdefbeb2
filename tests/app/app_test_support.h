// What the window's tests share: a game prefix in a temporary folder, tiny
// images built inline, and dialogs that answer in place of the user.
#pragma once

#include "demo_prefix.h"
#include "dialogs.h"
#include "qt_text.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <filesystem>
#include <initializer_list>

namespace tegmora::app::testing {

// An image from rows of 0xRRGGBB values, top row first.
inline QImage Pixels(std::initializer_list<std::initializer_list<QRgb>> rows) {
    QImage image(static_cast<int>(rows.begin()->size()), static_cast<int>(rows.size()),
                 QImage::Format_RGB32);
    int y = 0;
    for (const auto& row : rows) {
        int x = 0;
        for (const QRgb colour : row) image.setPixel(x++, y, 0xFF000000u | colour);
        ++y;
    }
    return image;
}

// The colours of an image as "rrggbb" rows, for comparisons that say which
// pixel differs.
inline QString Dump(const QImage& image) {
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QStringList row;
        for (int x = 0; x < image.width(); ++x)
            row << QString::number(image.pixel(x, y) & 0xFFFFFFu, 16).rightJustified(6, u'0');
        rows << row.join(u' ');
    }
    return rows.join(QStringLiteral(" | "));
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
    struct SaveRequest {
        QString folder;
        QList<FileFilter> filters;
    };

    QString savePathAnswer;
    bool yesAnswer = true;

    QList<SaveRequest> saveRequests;
    QStringList questions;  // "title: question"
    QStringList errors;
    QList<QUrl> openedUrls;
    QList<bool> choiceAnswers;  // Choose Folder (true) or Close, in turn; Close when none are left
    QStringList folderAnswers;  // the folders chosen, in turn
    QStringList offers;         // the messages that offered a folder choice

    QString askSavePath(QWidget*, const QString& folder,
                        const QList<FileFilter>& filters) override {
        saveRequests.append({folder, filters});
        return savePathAnswer;
    }
    bool askYesNo(QWidget*, const QString& title, const QString& question) override {
        questions << title + QStringLiteral(": ") + question;
        return yesAnswer;
    }
    void showError(QWidget*, const QString& message) override { errors << message; }
    void openUrl(const QUrl& url) override { openedUrls << url; }
    bool offerFolderChoice(QWidget*, const QString& message) override {
        offers << message;
        return !choiceAnswers.isEmpty() && choiceAnswers.takeFirst();
    }
    QString askFolder(QWidget*, const QString&) override {
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }

    bool askedAnything() const {
        return !saveRequests.isEmpty() || !questions.isEmpty() || !errors.isEmpty() ||
               !openedUrls.isEmpty() || !offers.isEmpty();
    }
};

}  // namespace tegmora::app::testing
