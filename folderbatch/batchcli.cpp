#include "batchcli.h"

#include "automatic.h"
#include "languages.h"
#include "librarymessages.h"
#include "residentengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

namespace quillpix::folderbatch {
namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int signal) {
    const char byte = char(signal);
    // Nothing to do when the pipe is full: a stop is under way already.
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM become a byte on a pipe that the event loop reads, so the batch stops
// from its own thread, between two steps, never inside one.
bool catchStopSignals() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

// What /proc/meminfo calls available; 0 when it cannot be read.
qint64 availableMemory() {
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith("MemAvailable:"))
            return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

bool positiveNumber(const QString& text, int& value) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    if (!digits.match(text).hasMatch())
        return false;
    value = text.toInt();
    return value > 0;
}

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

bool wantsCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--batch" || a.startsWith("--batch=") || a == "--help" || a == "-h")
            return true;
    }
    return false;
}

std::optional<textfiles::TextEncoding> encodingNamed(const QString& name) {
    const QString n = name.toLower();
    if (n == u"shift-jis" || n == u"shift_jis" || n == u"sjis" || n == u"cp932")
        return textfiles::TextEncoding::ShiftJis;
    if (n == u"utf-8" || n == u"utf8")
        return textfiles::TextEncoding::Utf8;
    return std::nullopt;
}

QString usage() {
    return QCoreApplication::translate(
        "batch",
        "Usage: quillpix [PATH...]     the window, showing the folder or picture PATH\n"
        "       quillpix --capture     the window, reading a region of the screen at once\n"
        "       quillpix --scan FOLDER [...]  pages from a scanner into FOLDER (--scan --help)\n"
        "       quillpix --batch FOLDER [--lang L] [--psm N] [--option TEXT] [--jobs N]\n"
        "                [--force] [--shard K/N] [--keep-latin-spaces] [--paragraphs]\n"
        "                [--running-heads] [--book FILE.txt] [--pdf] [--hocr] [--alto]\n"
        "                [--encoding shift-jis|utf-8]\n"
        "\n"
        "With a window already open on this workspace, it shows PATH or reads the screen,\n"
        "and comes to the front; no second window opens.\n"
        "\n"
        "Reads every picture of FOLDER (*.bmp, *.gif, *.png, *.jpg, *.jpeg, *.tif, *.tiff,\n"
        "*.webp, *.pdf; each page of a multi-page document) whole and saves its text beside it\n"
        "as PICTURE.txt (a page: DOCUMENT.pN.txt), as the window's Save would after reading\n"
        "the whole picture. A document of several pages also gets DOCUMENT.txt, its pages'\n"
        "texts joined, each page after a line holding a form feed, once every page is read.\n"
        "\n"
        "  --lang L       engine language (default: the first line of listLang.txt); auto\n"
        "                 (the list's 自動) finds the writing direction of each picture and\n"
        "                 reads it with jpn or jpn_vert, turned upright, straightened, the\n"
        "                 readings beside vertical text left out, two tiers read upper first\n"
        "  --psm N        page segmentation mode (default: the first line of listPSMode.txt)\n"
        "  --option TEXT  further engine options (default: the first line of listOption.txt)\n"
        "  --jobs N       engines at once, one thread each (default: the number of processors;\n"
        "                 at most twice that, and what the memory holds)\n"
        "  --force        read pictures again that already have a saved result\n"
        "  --shard K/N    only pictures K, K+N, K+2N, ... in natural order, K from 1 to N\n"
        "  --keep-latin-spaces\n"
        "                 the clean-up keeps a space before a Latin word or number after a\n"
        "                 digit or bracket (\"64 KiB\") and a \".\" before a Latin character\n"
        "  --paragraphs   join the lines of each paragraph (no space between Japanese lines)\n"
        "  --running-heads\n"
        "                 with auto, read a vertical page's running head and page number too\n"
        "                 (left out by default: a book's text usually wants the prose alone)\n"
        "  --book FILE    the results of every picture of FOLDER joined into FILE, in order;\n"
        "                 with auto, a two-page spread gives two pages\n"
        "  --pdf          searchable PDFs of each PDF and multi-page TIFF (and of the book)\n"
        "                 in FOLDER/pdf/: the pictures as they are, under the saved text\n"
        "                 (needs the engine loaded in the program: a plain tesseract call)\n"
        "  --hocr         PICTURE.hocr beside each result (and BOOK.hocr beside the book): hOCR\n"
        "                 with every character's box on the picture, the engine's confidence,\n"
        "                 and x_doubtful 1 on the characters worth checking (needs the engine\n"
        "                 loaded, as --pdf)\n"
        "  --alto         PICTURE.alto.xml beside each result (and BOOK.alto.xml): ALTO v4\n"
        "                 with every character as a Glyph and its confidence (as --hocr)\n"
        "  --encoding E   what the results, document texts and book are written in:\n"
        "                 shift-jis (also sjis, cp932; the default) with CR LF, or utf-8 (utf8)\n"
        "                 with LF and no byte-order mark. Results already saved are kept as\n"
        "                 they are (--force reads them again); joined texts in the other\n"
        "                 encoding are written again\n"
        "  --help         this text\n"
        "\n"
        "Exit status: 0 all read or skipped, 1 a picture failed, 2 a wrong argument,\n"
        "3 the batch could not start, 130/143 stopped by SIGINT/SIGTERM.\n");
}

namespace {

// One argument as given: "--name value" or "--name=value".
struct Argument {
    QString given; // as it stood on the command line
    QString name;
    QString value;
};

// The argument at i, with its value when its name takes one (i then moves past the value); why
// it cannot be read, or "".
QString readArgument(const QStringList& arguments, qsizetype& i, Argument& argument) {
    argument.given = arguments[i];
    argument.name = arguments[i];
    bool inlineValue = false;
    QString& name = argument.name;
    if (name.startsWith(QLatin1String("--")) && name.contains(QLatin1Char('='))) {
        argument.value = name.mid(name.indexOf(QLatin1Char('=')) + 1);
        name.truncate(name.indexOf(QLatin1Char('=')));
        inlineValue = true;
    }
    const bool takesValue = name == u"--batch" || name == u"--lang" || name == u"--psm" ||
                            name == u"--option" || name == u"--jobs" || name == u"--shard" ||
                            name == u"--book" || name == u"--encoding";
    if (takesValue && !inlineValue) {
        if (i + 1 >= arguments.size())
            return QCoreApplication::translate("batch", "%1 needs a value").arg(name);
        argument.value = arguments[++i];
    } else if (!takesValue && inlineValue)
        return QCoreApplication::translate("batch", "%1 takes no value").arg(name);
    return {};
}

// --shard K/N into the settings; why it cannot be, or "".
QString takeShard(const QString& value, Settings& s) {
    const QStringList parts = value.split(QLatin1Char('/'));
    int k = 0, n = 0;
    if (parts.size() != 2 || !positiveNumber(parts[1], n) ||
        (parts[0] != u"0" && !positiveNumber(parts[0], k)))
        return QCoreApplication::translate("batch", "--shard wants K/N, such as 1/4, not \"%1\"")
            .arg(value);
    if (k < 1 || k > n)
        return QCoreApplication::translate("batch",
                                           "--shard %1: K counts from 1 and goes up to N (%2)")
            .arg(value)
            .arg(n);
    s.shardIndex = k;
    s.shardCount = n;
    return {};
}

// What the argument sets; why it sets nothing, or "".
QString takeArgument(const Argument& argument, ParsedArguments& parsed) {
    Settings& s = parsed.settings;
    const QString& name = argument.name;
    const QString& value = argument.value;
    if (name == u"--help" || name == u"-h") {
        parsed.help = true;
    } else if (name == u"--batch") {
        if (value.isEmpty())
            return QCoreApplication::translate("batch", "--batch needs a folder");
        s.folder = value;
    } else if (name == u"--lang") {
        if (value.isEmpty())
            return QCoreApplication::translate("batch", "--lang needs a language, such as jpn");
        // "auto" is the list's automatic language, for a terminal that types no Japanese.
        s.engine.lang = value.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0
                            ? pipeline::automaticLanguage()
                            : value;
    } else if (name == u"--psm") {
        int psm = 0;
        if (value != u"0" && !positiveNumber(value, psm))
            return QCoreApplication::translate("batch", "--psm wants a mode number, not \"%1\"")
                .arg(value);
        s.engine.psm = value;
    } else if (name == u"--option") {
        s.engine.option = value;
    } else if (name == u"--jobs") {
        if (!positiveNumber(value, s.jobs))
            return QCoreApplication::translate("batch", "--jobs wants a number from 1, not \"%1\"")
                .arg(value);
    } else if (name == u"--force") {
        s.force = true;
    } else if (name == u"--keep-latin-spaces") {
        s.keepLatinSpaces = true;
    } else if (name == u"--paragraphs") {
        s.paragraphs = true;
    } else if (name == u"--running-heads") {
        s.keepRunningHeads = true;
    } else if (name == u"--book") {
        if (value.isEmpty() || value.endsWith(QLatin1Char('/')))
            return QCoreApplication::translate("batch",
                                               "--book needs a file name, such as book.txt");
        s.book = value;
    } else if (formatOfOption(name) != nullptr) {
        if (!s.outputs.contains(name))
            s.outputs << name;
    } else if (name == u"--encoding") {
        const std::optional<textfiles::TextEncoding> encoding = encodingNamed(value);
        if (!encoding)
            return QCoreApplication::translate("batch",
                                               "--encoding wants shift-jis (sjis, cp932) or utf-8, "
                                               "not \"%1\"")
                .arg(value);
        s.encoding = *encoding;
    } else if (name == u"--shard") {
        return takeShard(value, s);
    } else {
        return QCoreApplication::translate("batch", "unknown argument \"%1\"").arg(argument.given);
    }
    return {};
}

} // namespace

ParsedArguments parseArguments(const QStringList& arguments,
                               const pipeline::EngineSettings& defaults, int processors) {
    ParsedArguments parsed;
    Settings& s = parsed.settings;
    s.engine = defaults;
    s.jobs = std::max(1, processors);
    for (qsizetype i = 0; i < arguments.size() && parsed.error.isEmpty(); ++i) {
        Argument argument;
        parsed.error = readArgument(arguments, i, argument);
        if (parsed.error.isEmpty())
            parsed.error = takeArgument(argument, parsed);
    }
    if (!parsed.error.isEmpty() || parsed.help)
        return parsed;
    if (s.folder.isEmpty()) {
        parsed.error = QCoreApplication::translate("batch", "--batch FOLDER is missing");
        return parsed;
    }
    if (s.engine.lang.isEmpty())
        parsed.error = QCoreApplication::translate(
            "batch", "no language: listLang.txt is missing or empty; give --lang");
    else if (s.engine.psm.isEmpty())
        parsed.error = QCoreApplication::translate(
            "batch", "no page segmentation mode: listPSMode.txt is missing or "
                     "empty; give --psm");
    return parsed;
}

int jobsThatHelp(int processors, qint64 availableBytes) {
    // Each job holds a picture and a loaded engine: about this much at most for A4 at 600 dpi.
    constexpr qint64 kBytesPerJob = 512LL << 20;
    const int byProcessors = std::max(1, processors) * 2;
    const int byMemory =
        availableBytes > 0 ? int(std::max<qint64>(1, availableBytes / kBytesPerJob)) : byProcessors;
    return std::min(byProcessors, byMemory);
}

namespace {

// The settings as the batch runs them: whole paths, and no more engines at once than help.
Settings settingsToRun(Settings settings) {
    settings.folder = QDir::cleanPath(QFileInfo(settings.folder).absoluteFilePath());
    if (!settings.book.isEmpty())
        settings.book = QDir::cleanPath(QFileInfo(settings.book).absoluteFilePath());
    const int helpful = jobsThatHelp(QThread::idealThreadCount(), availableMemory());
    if (settings.jobs > helpful) {
        print(stderr, QCoreApplication::translate(
                          "batch", "quillpix --batch: --jobs %1 is more than this machine "
                                   "gains from (%2 processors, %3 MB of memory free); using "
                                   "%4\n")
                          .arg(settings.jobs)
                          .arg(QThread::idealThreadCount())
                          .arg(availableMemory() >> 20)
                          .arg(helpful));
        settings.jobs = helpful;
    }
    return settings;
}

// SIGINT and SIGTERM, waited for on a thread of their own from construction to destruction, so
// that a stop reaches the batch also while its thread waits in a step (the engine's trial
// before the first picture).
class StopSignalWatch {
public:
    explicit StopSignalWatch(Batch& batch) {
        if (!catchStopSignals())
            return;
        m_watcher.reset(QThread::create([&batch, this] {
            while (!m_over) {
                pollfd ready{g_signalPipe[0], POLLIN, 0};
                char byte = 0;
                if (::poll(&ready, 1, 100) == 1 && ::read(g_signalPipe[0], &byte, 1) == 1)
                    batch.stopNow(int(byte));
            }
        }));
        m_watcher->start();
    }
    ~StopSignalWatch() {
        m_over = true;
        if (m_watcher)
            m_watcher->wait();
    }
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;

private:
    std::atomic<bool> m_over{false};
    std::unique_ptr<QThread> m_watcher;
};

// The progress on standard error: on a terminal one line rewritten in place (a failure on a
// line of its own above it), elsewhere a line a picture.
class ProgressLines {
public:
    void show(const Progress& p) {
        if (!m_terminal) {
            if (!p.file.isEmpty())
                print(stderr, progressLine(p, true) + QLatin1Char('\n'));
            return;
        }
        if (!p.error.isEmpty())
            print(stderr,
                  QCoreApplication::translate("batch", "\r%1\r%2: failed: %3\n")
                      .arg(QString(m_shown, QLatin1Char(' ')), printableName(p.file), p.error));
        const QString line = progressLine(p, false);
        print(stderr, QLatin1Char('\r') + line.leftJustified(m_shown, QLatin1Char(' ')));
        m_shown = line.size();
    }
    // The summary follows on a line of its own.
    void end() {
        if (m_terminal && m_shown > 0)
            print(stderr, QStringLiteral("\n"));
    }

private:
    const bool m_terminal = ::isatty(STDERR_FILENO);
    qsizetype m_shown = 0;
};

} // namespace

int runCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    // No window and no display: the core application is enough for processes and pictures.
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Quillpix"));
    // One language for every line, the reasons from the shared steps included.
    const languages::Translators translators(
        app, languages::languageOfEnvironment(languages::Front::Batch), languages::Front::Batch);

    const ParsedArguments parsed =
        parseArguments(arguments, listDefaults(QCoreApplication::applicationDirPath()),
                       QThread::idealThreadCount());
    if (parsed.help) {
        print(stdout, usage());
        return 0;
    }
    if (!parsed.error.isEmpty()) {
        print(stderr, QCoreApplication::translate(
                          "batch", "quillpix --batch: %1\n(quillpix --help shows the usage)\n")
                          .arg(parsed.error));
        return 2;
    }
    const Settings settings = settingsToRun(parsed.settings);

    // Standard error carries the progress; a loaded engine's own lines would break into it.
    engine::ResidentEngine::discardMessages();
    // So would the picture library's; its errors become the reason a picture failed.
    pagelayout::routeLibraryMessages();
    Batch batch(settings);
    const StopSignalWatch stopWatch(batch);
    ProgressLines lines;
    QObject::connect(&batch, &Batch::progress, &batch,
                     [&lines](const Progress& p) { lines.show(p); });
    int status = 0;
    QObject::connect(&batch, &Batch::finished, &batch, [&](const Summary& summary) {
        lines.end();
        print(summary.setupError.isEmpty() ? stdout : stderr, summaryText(summary));
        status = exitStatus(summary);
        QCoreApplication::exit(status);
    });
    batch.start();
    app.exec();
    return status;
}

} // namespace quillpix::folderbatch
