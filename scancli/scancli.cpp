#include "scancli.h"

#include "languages.h"
#include "scanfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace quillpix::scancli {
namespace {

// The signal that asked to stop, 0 while none did. The scan asks it between two pieces of a
// page; there is no event loop to hand it to.
std::atomic<int> g_stopSignal{0};
// Written to when the stop comes, so that a wait for the Enter key ends at once.
int g_stopPipe[2] = {-1, -1};

// SIGINT and SIGTERM are blocked in every thread and taken by one of their own: a backend's
// reader thread sets SIGTERM back to its default action for the whole process, which would
// end the program with a half page. Blocked before any thread starts, so all inherit it.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&m_signals);
        sigaddset(&m_signals, SIGINT);
        sigaddset(&m_signals, SIGTERM);
        if (::pthread_sigmask(SIG_BLOCK, &m_signals, nullptr) != 0 ||
            ::pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        m_watcher = std::thread([this] {
            const timespec tick{0, 100'000'000};
            while (!m_over) {
                const int signal = ::sigtimedwait(&m_signals, nullptr, &tick);
                // A second one ends the program at once: a device that does not let go of a
                // page cut short keeps the first from ever being answered.
                if (signal > 0 && g_stopSignal)
                    ::_exit(128 + signal);
                if (signal > 0) {
                    g_stopSignal = signal;
                    [[maybe_unused]] const ssize_t written = ::write(g_stopPipe[1], "x", 1);
                }
            }
        });
    }
    ~StopSignals() {
        m_over = true;
        if (m_watcher.joinable())
            m_watcher.join();
    }

private:
    sigset_t m_signals;
    std::atomic<bool> m_over{false};
    std::thread m_watcher;
};

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// Waits for Enter on the terminal; false for the end of input or a stop.
bool waitForEnter(int pagesDone) {
    print(stderr, QCoreApplication::translate(
                      "scan", "%1 pages scanned. Put the next page on the glass and press Enter "
                              "(Ctrl+D ends, Ctrl+C stops)... ")
                      .arg(pagesDone));
    for (;;) {
        pollfd ready[2] = {{STDIN_FILENO, POLLIN, 0}, {g_stopPipe[0], POLLIN, 0}};
        if (::poll(ready, g_stopPipe[0] >= 0 ? 2 : 1, -1) < 0 && errno != EINTR)
            return false;
        if (g_stopSignal)
            return false;
        if (!(ready[0].revents & (POLLIN | POLLHUP)))
            continue;
        char c = 0;
        if (::read(STDIN_FILENO, &c, 1) <= 0)
            return false;
        if (c == '\n')
            return true;
    }
}

bool positiveNumber(const QString& text, int& value) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    if (!digits.match(text).hasMatch())
        return false;
    value = text.toInt();
    return value > 0;
}

QString modeWord(scanner::Mode mode) {
    switch (mode) {
    case scanner::Mode::Colour:
        return QCoreApplication::translate("scan", "colour");
    case scanner::Mode::Grey:
        return QCoreApplication::translate("scan", "grey");
    case scanner::Mode::Lineart:
        return QCoreApplication::translate("scan", "lineart");
    }
    return {};
}

// What the argument sets; why it sets nothing, or "".
QString takeArgument(const QString& name, const QString& value, ParsedArguments& parsed) {
    scanner::Request& r = parsed.request;
    const QString v = value.toLower();
    if (name == u"--scan") {
        parsed.folder = value;
        if (value.isEmpty())
            return QCoreApplication::translate("scan", "--scan needs a folder");
    } else if (name == u"--device") {
        r.device = value;
        if (value.isEmpty())
            return QCoreApplication::translate("scan",
                                               "--device needs a scanner's name, such as test:0");
    } else if (name == u"--resolution") {
        if (!positiveNumber(value, r.resolution))
            return QCoreApplication::translate(
                       "scan", "--resolution wants dots per inch, such as 300, not \"%1\"")
                .arg(value);
    } else if (name == u"--mode") {
        if (v == u"color" || v == u"colour")
            r.mode = scanner::Mode::Colour;
        else if (v == u"gray" || v == u"grey")
            r.mode = scanner::Mode::Grey;
        else if (v == u"lineart")
            r.mode = scanner::Mode::Lineart;
        else
            return QCoreApplication::translate("scan",
                                               "--mode wants color, gray or lineart, not \"%1\"")
                .arg(value);
    } else if (name == u"--source") {
        if (v == u"flatbed")
            r.source = scanner::Source::Flatbed;
        else if (v == u"adf" || v == u"feeder")
            r.source = scanner::Source::Feeder;
        else
            return QCoreApplication::translate("scan", "--source wants flatbed or adf, not \"%1\"")
                .arg(value);
    } else if (name == u"--pages") {
        if (!positiveNumber(value, r.pages))
            return QCoreApplication::translate("scan", "--pages wants a number from 1, not \"%1\"")
                .arg(value);
    }
    return {};
}

// Prints each page's progress on a terminal and each file as it is written.
class Report {
public:
    void progress(const scanner::Progress& p) {
        if (p.page != m_page) {
            m_page = p.page;
            if (!m_terminal)
                print(stderr,
                      QCoreApplication::translate("scan", "page %1: scanning\n").arg(p.page));
        }
        if (m_terminal && p.expected > 0)
            print(stderr, QCoreApplication::translate("scan", "\rpage %1: %2%")
                              .arg(p.page)
                              .arg(p.bytes * 100 / p.expected));
    }
    void written(const QString& path) {
        if (m_terminal)
            print(stderr, QStringLiteral("\r\x1b[K"));
        print(stdout, QDir::toNativeSeparators(path) + QLatin1Char('\n'));
    }

private:
    const bool m_terminal = ::isatty(STDERR_FILENO);
    int m_page = 0;
};

int stopped(int pages) {
    const int signal = g_stopSignal;
    print(stderr,
          QCoreApplication::translate(
              "scan", "quillpix --scan: %1: the page being scanned was not kept; %2 pages were "
                      "written.\n")
              .arg(signal == SIGINT ? QCoreApplication::translate("scan", "Interrupted (SIGINT)")
                                    : QCoreApplication::translate("scan", "Stopped (SIGTERM)"))
              .arg(pages));
    return 128 + signal;
}

} // namespace

bool wantsScan(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--scan" || a.startsWith("--scan="))
            return true;
    }
    return false;
}

QString usage() {
    return QCoreApplication::translate(
        "scan", "Usage: quillpix --scan FOLDER [--device D] [--resolution N]\n"
                "                [--mode color|gray|lineart] [--source flatbed|adf] [--pages N]\n"
                "\n"
                "Scans pages into FOLDER (made when missing) as scan-0001.png, scan-0002.png...,\n"
                "numbered on after the pages already there; no file is replaced. Each file is\n"
                "printed as it is written.\n"
                "\n"
                "  --device D      the scanner as SANE names it (default: the first one found)\n"
                "  --resolution N  dots per inch (default: 300)\n"
                "  --mode M        color (the default), gray or lineart (black and white)\n"
                "  --source S      flatbed (the default): one page, or N pages with Enter\n"
                "                  pressed between them on a terminal; adf: every sheet in the\n"
                "                  document feeder until it is empty (at most N)\n"
                "  --pages N       how many pages\n"
                "  --help          this text\n"
                "\n"
                "Exit status: 0 pages were written, 1 the scanner or the folder failed, 2 a wrong\n"
                "argument, 3 no scanner was found, 130/143 stopped by SIGINT/SIGTERM.\n");
}

ParsedArguments parseArguments(const QStringList& arguments) {
    ParsedArguments parsed;
    // Anywhere, even where a value would stand: "--scan --help" asks for the usage.
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        parsed.help = true;
        return parsed;
    }
    static const QStringList known{"--scan", "--device", "--resolution",
                                   "--mode", "--source", "--pages"};
    bool folderGiven = false;
    for (qsizetype i = 0; i < arguments.size() && parsed.error.isEmpty(); ++i) {
        // "--name value" or "--name=value"; every argument takes one.
        QString name = arguments[i];
        QString value;
        const qsizetype equals = name.startsWith(QLatin1String("--")) ? name.indexOf(u'=') : -1;
        if (equals > 0) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (!known.contains(name))
            parsed.error =
                QCoreApplication::translate("scan", "unknown argument \"%1\"").arg(arguments[i]);
        else if (equals < 0 && i + 1 >= arguments.size())
            parsed.error = QCoreApplication::translate("scan", "%1 needs a value").arg(name);
        else
            parsed.error = takeArgument(name, equals > 0 ? value : arguments[++i], parsed);
        folderGiven |= name == u"--scan";
    }
    if (parsed.error.isEmpty() && !folderGiven)
        parsed.error = QCoreApplication::translate("scan", "--scan FOLDER is missing");
    return parsed;
}

QString problemText(const scanner::Error& e, const scanner::Request& request) {
    using scanner::Problem;
    const QString& d = e.device;
    switch (e.problem) {
    case Problem::None:
        return {};
    case Problem::NoScanner:
        return QCoreApplication::translate(
            "scan", "no scanner was found: connect one and switch it on, or name it with --device");
    case Problem::NoSuchDevice:
        return QCoreApplication::translate("scan", "there is no scanner %1 (%2)").arg(d, e.detail);
    case Problem::Busy:
        return QCoreApplication::translate("scan",
                                           "scanner %1 is busy: another program is using it (%2)")
            .arg(d, e.detail);
    case Problem::Jammed:
        return QCoreApplication::translate(
                   "scan", "the feeder of scanner %1 is jammed: clear it and scan again")
            .arg(d);
    case Problem::FeederEmpty:
        return QCoreApplication::translate(
                   "scan", "the feeder of scanner %1 is empty: put the pages in and scan again")
            .arg(d);
    case Problem::CoverOpen:
        return QCoreApplication::translate(
                   "scan", "the cover of scanner %1 is open: close it and scan again")
            .arg(d);
    case Problem::DeviceIo:
        return QCoreApplication::translate(
                   "scan", "scanner %1 does not answer (%2): is it connected and switched on?")
            .arg(d, e.detail);
    case Problem::AccessDenied:
        return QCoreApplication::translate(
                   "scan", "scanner %1 refused access (%2): this user may not use it")
            .arg(d, e.detail);
    case Problem::NoMemory:
        return QCoreApplication::translate("scan", "scanner %1 ran out of memory (%2)")
            .arg(d, e.detail);
    case Problem::WarmingUp:
        return QCoreApplication::translate("scan",
                                           "scanner %1 is warming up: scan again in a moment")
            .arg(d);
    case Problem::Locked:
        return QCoreApplication::translate(
                   "scan", "scanner %1 is locked for transport: unlock it and scan again")
            .arg(d);
    case Problem::Refused:
        return QCoreApplication::translate("scan", "scanner %1 refused the scan: %2")
            .arg(d, e.detail);
    case Problem::Resolution:
        return QCoreApplication::translate("scan",
                                           "scanner %1 does not scan at %2 dpi; it offers %3")
            .arg(d)
            .arg(request.resolution)
            .arg(e.detail);
    case Problem::Mode:
        return QCoreApplication::translate("scan", "scanner %1 has no %2 mode; it offers %3")
            .arg(d, modeWord(request.mode), e.detail);
    case Problem::Source:
        return QCoreApplication::translate("scan", "scanner %1 has no %2; it offers %3")
            .arg(d,
                 request.source == scanner::Source::Feeder
                     ? QCoreApplication::translate("scan", "document feeder")
                     : QCoreApplication::translate("scan", "flatbed"),
                 e.detail.isEmpty() ? QCoreApplication::translate("scan", "no other") : e.detail);
    case Problem::Unreadable:
        return QCoreApplication::translate("scan", "scanner %1 sent a page that cannot be read: %2")
            .arg(d, e.detail);
    case Problem::Folder:
        return QCoreApplication::translate("scan", "the page could not be written: %1")
            .arg(e.detail);
    case Problem::Stopped:
        return QCoreApplication::translate("scan", "scanner %1 stopped the scan").arg(d);
    }
    return {};
}

int runScan(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quillpix"));
    const languages::Translators translators(
        app, languages::languageOfEnvironment(languages::Front::Batch), languages::Front::Batch);
    const ParsedArguments parsed = parseArguments(arguments);
    if (parsed.help) {
        print(stdout, usage());
        return 0;
    }
    if (!parsed.error.isEmpty()) {
        print(stderr, QCoreApplication::translate(
                          "scan", "quillpix --scan: %1\n(quillpix --scan --help shows the usage)\n")
                          .arg(parsed.error));
        return 2;
    }
    const StopSignals stopSignals;
    Report report;
    scanner::Events events;
    events.stopRequested = [] { return g_stopSignal != 0; };
    events.progress = [&report](const scanner::Progress& p) { report.progress(p); };
    // Without a terminal to press Enter on, the pages follow one another.
    const bool terminal = ::isatty(STDIN_FILENO);
    events.nextSheet = [terminal](int done) { return !terminal || waitForEnter(done); };
    const QString folder = QDir::cleanPath(QFileInfo(parsed.folder).absoluteFilePath());
    const scanner::FolderScan result = scanner::scanIntoFolder(
        parsed.request, folder, events, [&report](const QString& path) { report.written(path); });
    if (g_stopSignal)
        return stopped(int(result.written.size()));
    if (!result.error)
        return 0;
    print(stderr, QCoreApplication::translate("scan", "quillpix --scan: %1\n")
                      .arg(problemText(result.error, parsed.request)));
    if (!result.written.isEmpty())
        print(stderr, QCoreApplication::translate(
                          "scan", "quillpix --scan: %1 pages were written before this.\n")
                          .arg(result.written.size()));
    return result.error.problem == scanner::Problem::NoScanner ? 3 : 1;
}

} // namespace quillpix::scancli
