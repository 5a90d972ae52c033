#include "batchcli.h"
#include "desktopplatform.h"
#include "frmmain.h"
#include "instancechannel.h"
#include "instancelock.h"
#include "pages.h"
#include "pictureloader.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

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
    const quillpix::WindowArguments arguments =
        quillpix::parseWindowArguments(app.arguments(), QDir::currentPath());
    if (!arguments.error.isEmpty()) {
        std::fprintf(stderr, "quillpix: unknown option %s\n\n%s",
                     arguments.error.toLocal8Bit().constData(),
                     quillpix::folderbatch::usage().toLocal8Bit().constData());
        return 2;
    }
    const quillpix::WindowRequest& request = arguments.request;
    quillpix::DesktopPlatform platform;
    const QString programFolder = QCoreApplication::applicationDirPath();
    // Only the window shares the work files of the program folder; it alone takes the lock.
    const quillpix::InstanceLock lock(programFolder);
    if (lock.heldByAnother()) {
        // The window that holds it shows the paths or reads the screen, and comes forward.
        if (quillpix::InstanceChannel::send(programFolder, request))
            return 0;
        platform.showMessage(quillpix::InstanceLock::refusalMessage(programFolder));
        return 1;
    }
    quillpix::InstanceChannel channel(programFolder);
    channel.listen();
    quillpix::FrmMain window(platform, programFolder);
    platform.setWindow(&window);
    QObject::connect(&channel, &quillpix::InstanceChannel::requested, &window,
                     &quillpix::FrmMain::takeRequest);
    if (request.capture) {
        // The screen is read before the window stands in the way; it appears afterwards.
        QTimer::singleShot(0, &window, [&window, request] { window.takeRequest(request); });
    } else {
        window.show();
        if (!request.paths.isEmpty())
            QTimer::singleShot(0, &window, [&window, request] { window.takeRequest(request); });
    }
    const int status = app.exec();
    // A page still being drawn for a choice the user left cannot be stopped inside Poppler;
    // the program does not wait for it.
    if (quillpix::viewer::readsUnderWay()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
