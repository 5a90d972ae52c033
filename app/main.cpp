#include "batchcli.h"
#include "desktopplatform.h"
#include "frmmain.h"
#include "instancelock.h"

#include <QApplication>

#include <csignal>

int main(int argc, char* argv[]) {
    // A file-size limit then makes a write fail with EFBIG, reported like any failed write,
    // instead of ending the program with the user's text unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    // The folder batch runs before anything asks for a display.
    if (quillpix::folderbatch::wantsCommandLine(argc, argv))
        return quillpix::folderbatch::runCommandLine(argc, argv);
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quillpix"));
    quillpix::DesktopPlatform platform;
    const QString programFolder = QCoreApplication::applicationDirPath();
    // Only the window shares the work files of the program folder; it alone takes the lock.
    const quillpix::InstanceLock lock(programFolder);
    if (lock.heldByAnother()) {
        platform.showMessage(quillpix::InstanceLock::refusalMessage(programFolder));
        return 1;
    }
    quillpix::FrmMain window(platform, programFolder);
    platform.setWindow(&window);
    window.show();
    return app.exec();
}
