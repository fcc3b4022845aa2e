#include "app/FDispatch.h"
#include "platform/Places.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("FDispatch"));
    // Ties the window to its menu entry and icon once installed.
    QGuiApplication::setDesktopFileName(QLatin1String(fd::kDesktopId));
    QApplication::setWindowIcon(QIcon::fromTheme(QLatin1String(fd::kDesktopId)));
    fd::FDispatch w;
    if (!w.Form_Load())
        return 0;
    w.show();
    // Lets the package check see an unpacked copy start, find what it ships and show
    // its window; exit() rather than quit() so the closing question is not asked.
    if (qEnvironmentVariableIsSet("FDISPATCH_STARTUP_REPORT")) {
        QTimer::singleShot(0, &app, [&w] {
            const QString help = fd::helpDocumentPath();
            std::printf("window: %s\nhelp: %s\nwrites: %s\n",
                        qUtf8Printable(w.isVisible() ? w.windowTitle() : QString()),
                        qUtf8Printable(QFileInfo::exists(help) ? help : QString()),
                        qUtf8Printable(fd::writableDataFolder()));
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    }
    return app.exec();
}
