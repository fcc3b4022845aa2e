#include "app/FDispatch.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("FDispatch"));
    fd::FDispatch w;
    if (!w.Form_Load())
        return 0;
    w.show();
    return app.exec();
}
