#include "dialogs.h"
#include "form1.h"
#include "start_up.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tegmora"));
    QApplication::setOrganizationName(QStringLiteral("Tegmora"));
    QApplication::setDesktopFileName(QStringLiteral("tegmora"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    tegmora::app::DesktopDialogs dialogs;
    QSettings settings;

    const QString roofs =
        tegmora::app::StartUpRoofsFolder(QApplication::arguments().mid(1), settings, dialogs);
    if (roofs.isEmpty()) return 1;
    tegmora::app::Form1 window(roofs, dialogs);
    window.show();
    return QApplication::exec();
}
