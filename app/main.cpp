#include "dialogs.h"
#include "main_window.h"
#include "start_up.h"
#include "version.h"

#include <QApplication>
#include <QSettings>

#include <cstdio>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<QString> information = tegmora::app::InformationAsked(arguments)) {
        std::fputs(qUtf8Printable(*information), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tegmora"));
    QApplication::setApplicationVersion(QLatin1String(tegmora::kVersion));
    QApplication::setOrganizationName(QStringLiteral("Tegmora"));
    QApplication::setDesktopFileName(QLatin1String(tegmora::kDesktopId));
    QApplication::setStyle(QStringLiteral("Fusion"));
    tegmora::app::DesktopDialogs dialogs;
    QSettings settings;

    const tegmora::app::RoofsFolder start =
        tegmora::app::StartUpRoofsFolder(QApplication::arguments().mid(1), settings, dialogs);
    if (start.path.isEmpty()) return 1;
    tegmora::app::MainWindow window(start.path, dialogs);
    if (!start.roof.isEmpty()) window.chooseRoofNamed(start.roof);
    window.show();
    return QApplication::exec();
}
