#include "batchcli.h"
#include "desktopplatform.h"
#include "frmmain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // The folder batch runs before anything asks for a display.
    if (quillpix::folderbatch::wantsCommandLine(argc, argv))
        return quillpix::folderbatch::runCommandLine(argc, argv);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quillpix"));
    quillpix::DesktopPlatform platform;
    quillpix::FrmMain window(platform, QCoreApplication::applicationDirPath());
    platform.setWindow(&window);
    window.show();
    return app.exec();
}
