#include "desktopplatform.h"
#include "frmmain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quillpix"));
    quillpix::DesktopPlatform platform;
    quillpix::FrmMain window(platform, QCoreApplication::applicationDirPath());
    platform.setWindow(&window);
    window.show();
    return app.exec();
}
