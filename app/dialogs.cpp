#include "dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QUrl>

namespace tegmora::app {
namespace {

// Qt reads a filter's patterns from a trailing "(...)". Writing every entry
// as "text (patterns)" and hiding that tail shows each text exactly as
// given, even one with parentheses of its own.
void SetFilters(QFileDialog& dialog, const QList<FileFilter>& filters) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    QStringList nameFilters;
    for (const FileFilter& filter : filters)
        nameFilters << QStringLiteral("%1 (%2)").arg(filter.text, filter.patterns);
    dialog.setNameFilters(nameFilters);
    if (!nameFilters.isEmpty()) dialog.selectNameFilter(nameFilters.first());
}

QString ChosenFile(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

}  // namespace

QString DesktopDialogs::askSavePath(QWidget* parent, const QString& folder,
                                    const QList<FileFilter>& filters, const QString& suggestedName) {
    QFileDialog dialog(parent, QFileDialog::tr("Save As"), folder);
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    SetFilters(dialog, filters);
    if (!suggestedName.isEmpty()) dialog.selectFile(suggestedName);
    return ChosenFile(dialog);
}

QString DesktopDialogs::askOpenPath(QWidget* parent, const QString& title,
                                    const QList<FileFilter>& filters) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    SetFilters(dialog, filters);
    return ChosenFile(dialog);
}

bool DesktopDialogs::askYesNo(QWidget* parent, const QString& title, const QString& question) {
    QMessageBox box(QMessageBox::Warning, title, question, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void DesktopDialogs::showError(QWidget* parent, const QString& message) {
    QMessageBox::warning(parent, QStringLiteral("Tegmora"), message);
}

bool DesktopDialogs::offerFolderChoice(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Tegmora"), message, QMessageBox::NoButton, parent);
    const QPushButton* choose = box.addButton(QMessageBox::tr("Choose Folder…"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Close);
    box.exec();
    return box.clickedButton() == choose;
}

QString DesktopDialogs::askFolder(QWidget* parent, const QString& title) {
    return QFileDialog::getExistingDirectory(parent, title);
}

void DesktopDialogs::openUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

}  // namespace tegmora::app
