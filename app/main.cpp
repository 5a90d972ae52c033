#include "batchcli.h"
#include "desktopplatform.h"
#include "frmmain.h"
#include "instancechannel.h"
#include "instancelock.h"
#include "languages.h"
#include "librarymessages.h"
#include "pages.h"
#include "pictureloader.h"
#include "scancli.h"
#include "startuproutines.h"
#include "stopsignals.h"

#include <QApplication>
#include <QByteArrayList>
#include <QDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// Another window holds the program folder: it shows the paths or reads the screen, and comes
// forward. The exit status of this start.
int handedToTheRunningWindow(quillpix::DesktopPlatform& platform, const QString& programFolder,
                             const quillpix::WindowRequest& request) {
    const quillpix::InstanceChannel::Delivery delivery =
        quillpix::InstanceChannel::send(programFolder, request);
    switch (delivery.outcome) {
    case quillpix::InstanceChannel::Delivery::Outcome::Delivered:
        return 0;
    case quillpix::InstanceChannel::Delivery::Outcome::Refused:
        std::fprintf(stderr, "quillpix: the request was not handed over: %s\n",
                     delivery.reason.toLocal8Bit().constData());
        return 1;
    case quillpix::InstanceChannel::Delivery::Outcome::NoWindow:
        break;
    }
    platform.showMessage(quillpix::InstanceLock::refusalMessage(programFolder));
    return 1;
}

// The window's run has ended with status. A page still being drawn for a choice the user left
// cannot be stopped inside Poppler; the program does not wait for it. Nor, after a scan, for the
// exit handlers (finishSane): the program ends here, its objects left as they are.
int endOfTheWindow(int status) {
    if (quillpix::scanner::finishSane() || quillpix::viewer::readsUnderWay()) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    // A file-size limit then makes a write fail with EFBIG, reported like any failed write,
    // instead of ending the program with the user's text unsaved.
    std::signal(SIGXFSZ, SIG_IGN);
    // Before any thread reads a picture: the readers' process-wide limit is set once.
    quillpix::pictures::setUpImageReaders();
    // So is the picture library's one message handler, for every front end: its errors reach
    // the collector of the thread and run whose call caused them (the window's runs, its folder
    // batch's workers, the command-line batch), so a failed analysis step is that run's reason.
    quillpix::pagelayout::routeLibraryMessages();
    // The scan and the folder batch run before anything asks for a display; the scan first, as
    // its own --help is the batch's word too.
    if (quillpix::scancli::wantsScan(argc, argv)) {
        const int status = quillpix::scancli::runScan(argc, argv);
        quillpix::scanner::finishSane();
        std::fflush(nullptr);
        std::_Exit(status);
    }
    if (quillpix::folderbatch::wantsCommandLine(argc, argv))
        return quillpix::folderbatch::runCommandLine(argc, argv);
    // Without a display Qt would end the program with an abort and its plugin's message.
    const QString noDisplay = quillpix::displayProblem(
        QByteArrayList(argv, argv + argc),
        {qgetenv("QT_QPA_PLATFORM"), qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY")});
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "quillpix: %s\n", noDisplay.toLocal8Bit().constData());
        return 1;
    }
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quillpix"));
    // Before the window makes any of its texts.
    const quillpix::languages::Front front = quillpix::languages::Front::Window;
    const quillpix::languages::Translators translators(
        app, quillpix::languages::languageOfEnvironment(front), front);
    // The words as given, after Qt took its own from argv: a path's bytes, which the text of
    // app.arguments() does not always keep.
    const quillpix::WindowArguments arguments =
        quillpix::parseWindowArguments(QByteArrayList(argv, argv + argc), QDir::currentPath());
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
    if (lock.heldByAnother())
        return handedToTheRunningWindow(platform, programFolder, request);
    quillpix::InstanceChannel channel(programFolder);
    const bool listening = channel.listen();
    quillpix::FrmMain window(platform, programFolder);
    platform.setWindow(&window);
    // A logout or a shutdown keeps the text not yet saved as a recovery copy.
    const quillpix::StopSignals stopSignals;
    QObject::connect(&stopSignals, &quillpix::StopSignals::stopRequested, &window,
                     &quillpix::FrmMain::stopForSignal);
    QObject::connect(&channel, &quillpix::InstanceChannel::requested, &window,
                     &quillpix::FrmMain::takeRequest);
    // The screen is read before the window stands in the way; it appears afterwards.
    if (!request.capture)
        window.showAtStart();
    QTimer::singleShot(0, &window, [&window, &platform, &channel, request, listening] {
        // Before a request opens anything: the copy belongs to the picture it names.
        window.offerRecovery();
        if (request != quillpix::WindowRequest())
            window.takeRequest(request);
        // Told once: a later start cannot reach this window and would only say it is running.
        if (!listening)
            platform.showMessage(quillpix::InstanceChannel::listenFailureMessage(channel.error()));
    });
    return endOfTheWindow(app.exec());
}
