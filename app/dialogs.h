// Everything the window asks of the desktop outside itself: modal dialogs
// and the web browser. The window talks to this interface only, so that the
// tests can answer in place of the user.
#pragma once

#include <QList>
#include <QString>

class QUrl;
class QWidget;

namespace tegmora::app {

// One entry of a file dialog's type list: the text the user reads and the
// name patterns it stands for, separated by blanks.
struct FileFilter {
    QString text;
    QString patterns;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A Save As dialog opened in `folder` with the first filter selected,
    // offering `suggestedName` when it is not empty. The chosen path, or the
    // empty text when the user cancelled.
    virtual QString askSavePath(QWidget* parent, const QString& folder,
                                const QList<FileFilter>& filters, const QString& suggestedName) = 0;

    // An Open dialog for one existing file, the first filter selected. The
    // chosen path, or the empty text when the user cancelled.
    virtual QString askOpenPath(QWidget* parent, const QString& title,
                                const QList<FileFilter>& filters) = 0;

    // A question with a warning icon and the buttons Yes (the default) and No.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& question) = 0;

    virtual void showError(QWidget* parent, const QString& message) = 0;

    // A warning with the buttons Choose Folder… and Close; true for Choose Folder.
    virtual bool offerFolderChoice(QWidget* parent, const QString& message) = 0;

    // A folder dialog; the chosen folder, or the empty text when cancelled.
    virtual QString askFolder(QWidget* parent, const QString& title) = 0;

    virtual void openUrl(const QUrl& url) = 0;
};

// The real thing: Qt's file dialog and message boxes, the default browser.
class DesktopDialogs final : public Dialogs {
public:
    QString askSavePath(QWidget* parent, const QString& folder, const QList<FileFilter>& filters,
                        const QString& suggestedName) override;
    QString askOpenPath(QWidget* parent, const QString& title,
                        const QList<FileFilter>& filters) override;
    bool askYesNo(QWidget* parent, const QString& title, const QString& question) override;
    void showError(QWidget* parent, const QString& message) override;
    bool offerFolderChoice(QWidget* parent, const QString& message) override;
    QString askFolder(QWidget* parent, const QString& title) override;
    void openUrl(const QUrl& url) override;
};

}  // namespace tegmora::app
