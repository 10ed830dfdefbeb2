#include "dialogs.h"
#include "form1.h"
#include "registry.h"
#include "start_up.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tegmora"));
    QApplication::setDesktopFileName(QStringLiteral("tegmora"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    tegmora::app::DesktopDialogs dialogs;

    const std::filesystem::path prefix = tegmora::gamedir::WinePrefix();
    const tegmora::app::RoofsFolder roofs = tegmora::app::LocateRoofsFolder(prefix);
    if (roofs.path.isEmpty()) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(roofs.problem));
        dialogs.showError(nullptr, roofs.problem);
        return 1;
    }
    tegmora::app::Form1 window(prefix, roofs.path, dialogs);
    window.show();
    return QApplication::exec();
}
