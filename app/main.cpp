#include "batchcli.h"
#include "desktopplatform.h"
#include "frmmain.h"
#include "instancelock.h"
#include "pages.h"
#include "pictureloader.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    // A file-size limit then makes a write fail with EFBIG, reported like any failed write,
    // instead of ending the program with the user's text unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    // Before any thread reads a picture: the readers' process-wide limit is set once.
    quillpix::pictures::setUpImageReaders();
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
    const int status = app.exec();
    // A page still being drawn for a choice the user left cannot be stopped inside Poppler;
    // the program does not wait for it.
    if (quillpix::viewer::readsUnderWay()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
