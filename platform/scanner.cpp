#include "scanner.h"

#include "scanframe.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace quillpix::scanner {
namespace {

// SANE's one sane_init for the process, and its sane_exit when finish() is called, as both
// programs do at their end. Not at static destruction: the backends would be unloaded before
// the leak checker looks at what their cancelled reader threads kept. The lock is held for the
// whole of each call of ours: the backends are not safe across threads.
std::atomic<bool> g_started{false};

class Library {
public:
    static Library& instance() {
        static Library library;
        return library;
    }
    void finish() {
        const std::lock_guard guard(lock);
        if (status == SANE_STATUS_GOOD)
            sane_exit();
        status = SANE_STATUS_INVAL;
    }
    std::mutex lock;
    SANE_Status status = SANE_STATUS_GOOD;

private:
    Library() {
        SANE_Int version = 0;
        status = sane_init(&version, nullptr);
        g_started = true;
    }
};

// Statuses the header keeps for later versions; some backends send them already.
constexpr int kWarmingUp = 12;
constexpr int kLocked = 13;
constexpr SANE_Status kUnreadable = SANE_Status(1000);
constexpr SANE_Status kStopped = SANE_Status(1001);

QString statusText(SANE_Status status) {
    return QString::fromUtf8(sane_strstatus(status));
}

Problem problemOf(SANE_Status status) {
    static const std::pair<int, Problem> kProblems[] = {
        {SANE_STATUS_DEVICE_BUSY, Problem::Busy},
        {SANE_STATUS_JAMMED, Problem::Jammed},
        {SANE_STATUS_NO_DOCS, Problem::FeederEmpty},
        {SANE_STATUS_COVER_OPEN, Problem::CoverOpen},
        {SANE_STATUS_IO_ERROR, Problem::DeviceIo},
        {SANE_STATUS_ACCESS_DENIED, Problem::AccessDenied},
        {SANE_STATUS_NO_MEM, Problem::NoMemory},
        {kWarmingUp, Problem::WarmingUp},
        {kLocked, Problem::Locked},
        {SANE_STATUS_CANCELLED, Problem::Stopped},
        {int(kStopped), Problem::Stopped}};
    for (const auto& [code, problem] : kProblems)
        if (int(status) == code)
            return problem;
    return Problem::Refused;
}

Error errorOf(SANE_Status status, const QString& device) {
    if (status == SANE_STATUS_GOOD)
        return {};
    return {problemOf(status), device, status == kStopped ? QString() : statusText(status)};
}

// An open device, closed when it goes.
class Handle {
public:
    explicit Handle(const QString& name) {
        status = sane_open(name.toUtf8().constData(), &handle);
        if (status != SANE_STATUS_GOOD)
            handle = nullptr;
    }
    ~Handle() {
        if (handle)
            sane_close(handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SANE_Handle handle = nullptr;
    SANE_Status status = SANE_STATUS_GOOD;
};

// One active option of a device, looked up afresh by its name: setting one option may change
// the others.
struct Option {
    SANE_Int index = -1;
    const SANE_Option_Descriptor* d = nullptr;
    explicit operator bool() const { return d != nullptr; }
    bool isNumber() const { return d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED; }
    double number(SANE_Word w) const { return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : w; }
    SANE_Word word(double v) const {
        return d->type == SANE_TYPE_FIXED ? SANE_FIX(v) : SANE_Word(std::lround(v));
    }
};

Option findOption(SANE_Handle h, const char* name) {
    SANE_Int count = 0;
    if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return {};
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (d && d->name && std::strcmp(d->name, name) == 0 && SANE_OPTION_IS_ACTIVE(d->cap))
            return {i, d};
    }
    return {};
}

QStringList stringChoices(const Option& option) {
    QStringList choices;
    if (option && option.d->type == SANE_TYPE_STRING &&
        option.d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
        for (const SANE_String_Const* s = option.d->constraint.string_list; *s; ++s)
            choices << QString::fromUtf8(*s);
    return choices;
}

QList<double> numberChoices(const Option& option) {
    QList<double> choices;
    if (option && option.isNumber() && option.d->constraint_type == SANE_CONSTRAINT_WORD_LIST)
        for (SANE_Int i = 1; i <= option.d->constraint.word_list[0]; ++i)
            choices << option.number(option.d->constraint.word_list[i]);
    return choices;
}

std::optional<double> getNumber(SANE_Handle h, const Option& option) {
    SANE_Word w = 0;
    if (!option || !option.isNumber() || option.d->size != sizeof(SANE_Word) ||
        sane_control_option(h, option.index, SANE_ACTION_GET_VALUE, &w, nullptr) !=
            SANE_STATUS_GOOD)
        return std::nullopt;
    return option.number(w);
}

SANE_Status setNumber(SANE_Handle h, const char* name, double value) {
    const Option option = findOption(h, name);
    if (!option || !option.isNumber() || !SANE_OPTION_IS_SETTABLE(option.d->cap))
        return SANE_STATUS_UNSUPPORTED;
    SANE_Word w = option.word(value);
    return sane_control_option(h, option.index, SANE_ACTION_SET_VALUE, &w, nullptr);
}

SANE_Status setString(SANE_Handle h, const char* name, const QString& value) {
    const Option option = findOption(h, name);
    if (!option || option.d->type != SANE_TYPE_STRING)
        return SANE_STATUS_UNSUPPORTED;
    QByteArray bytes = value.toUtf8();
    bytes.resize(std::max<qsizetype>(bytes.size() + 1, option.d->size), '\0');
    return sane_control_option(h, option.index, SANE_ACTION_SET_VALUE, bytes.data(), nullptr);
}

// The device's first name for mode; "" when it has none.
QString modeName(const QStringList& names, Mode mode) {
    for (const QString& name : names)
        if (modeOfName(name) == mode)
            return name;
    return {};
}

bool offersLineartDepth(SANE_Handle h) {
    return numberChoices(findOption(h, SANE_NAME_BIT_DEPTH)).contains(1.0);
}

QList<Mode> modesOf(SANE_Handle h) {
    const QStringList names = stringChoices(findOption(h, SANE_NAME_SCAN_MODE));
    QList<Mode> modes;
    for (Mode mode : {Mode::Colour, Mode::Grey, Mode::Lineart})
        if (!modeName(names, mode).isEmpty())
            modes << mode;
    // A grey mode of 1 bit is lineart by another name.
    if (modes.contains(Mode::Grey) && !modes.contains(Mode::Lineart) && offersLineartDepth(h))
        modes << Mode::Lineart;
    return modes;
}

QList<Source> sourcesOf(SANE_Handle h, const QString& type) {
    const Option option = findOption(h, SANE_NAME_SCAN_SOURCE);
    QList<Source> sources;
    for (const QString& name : stringChoices(option))
        if (const std::optional<Source> source = sourceOfName(name))
            if (!sources.contains(*source))
                sources << *source;
    if (!option)
        sources << (type.contains(QLatin1String("sheetfed"), Qt::CaseInsensitive)
                        ? Source::Feeder
                        : Source::Flatbed);
    return sources;
}

QString joined(const QList<double>& values, const QString& unit) {
    QStringList words;
    for (double v : values)
        words << QString::number(v);
    return words.join(QStringLiteral(", ")) + unit;
}

// The resolution into the device; what it took is read back for the picture's resolution.
Error setResolution(SANE_Handle h, const QString& device, int dpi, int& taken) {
    const Option option = findOption(h, SANE_NAME_SCAN_RESOLUTION);
    taken = dpi;
    if (!option || !option.isNumber())
        return {};
    const QList<double> list = numberChoices(option);
    if (option.d->constraint_type == SANE_CONSTRAINT_RANGE) {
        const double low = option.number(option.d->constraint.range->min);
        const double high = option.number(option.d->constraint.range->max);
        if (dpi < low || dpi > high)
            return {Problem::Resolution, device,
                    QStringLiteral("%1..%2 dpi").arg(QString::number(low), QString::number(high))};
    } else if (!list.isEmpty() && !list.contains(double(dpi))) {
        return {Problem::Resolution, device, joined(list, QStringLiteral(" dpi"))};
    }
    if (const SANE_Status status = setNumber(h, SANE_NAME_SCAN_RESOLUTION, dpi))
        return errorOf(status, device);
    taken = int(std::lround(getNumber(h, findOption(h, SANE_NAME_SCAN_RESOLUTION)).value_or(dpi)));
    return {};
}

Error setMode(SANE_Handle h, const QString& device, Mode mode) {
    // A device with no mode to choose scans in the one it has.
    if (!findOption(h, SANE_NAME_SCAN_MODE))
        return {};
    const QStringList names = stringChoices(findOption(h, SANE_NAME_SCAN_MODE));
    if (!modesOf(h).contains(mode))
        return {Problem::Mode, device, names.join(QStringLiteral(", "))};
    const bool greyForLineart = modeName(names, mode).isEmpty();
    const QString name = modeName(names, greyForLineart ? Mode::Grey : mode);
    if (const SANE_Status status = setString(h, SANE_NAME_SCAN_MODE, name))
        return errorOf(status, device);
    const Option depth = findOption(h, SANE_NAME_BIT_DEPTH);
    if (!depth || !SANE_OPTION_IS_SETTABLE(depth.d->cap))
        return {};
    // Lineart through the grey mode wants 1 bit; grey and colour left at 1 bit would be lineart.
    if (greyForLineart)
        return errorOf(setNumber(h, SANE_NAME_BIT_DEPTH, 1), device);
    if (mode != Mode::Lineart && getNumber(h, depth) == 1.0 && numberChoices(depth).contains(8.0))
        setNumber(h, SANE_NAME_BIT_DEPTH, 8);
    return {};
}

Error setSource(SANE_Handle h, const QString& device, const QString& type, Source source) {
    const Option option = findOption(h, SANE_NAME_SCAN_SOURCE);
    const QStringList names = stringChoices(option);
    if (!sourcesOf(h, type).contains(source))
        return {Problem::Source, device, names.join(QStringLiteral(", "))};
    for (const QString& name : names)
        if (sourceOfName(name) == source)
            return errorOf(setString(h, SANE_NAME_SCAN_SOURCE, name), device);
    return {};
}

// The area's corners, each kept within what the device takes.
void setArea(SANE_Handle h, const QRectF& area) {
    const std::pair<const char*, double> corners[] = {{SANE_NAME_SCAN_TL_X, area.left()},
                                                      {SANE_NAME_SCAN_TL_Y, area.top()},
                                                      {SANE_NAME_SCAN_BR_X, area.right()},
                                                      {SANE_NAME_SCAN_BR_Y, area.bottom()}};
    for (const auto& [name, value] : corners) {
        const Option option = findOption(h, name);
        if (!option || option.d->unit != SANE_UNIT_MM)
            continue;
        double v = value;
        if (option.d->constraint_type == SANE_CONSTRAINT_RANGE)
            v = std::clamp(v, option.number(option.d->constraint.range->min),
                           option.number(option.d->constraint.range->max));
        setNumber(h, name, v);
    }
}

QRectF areaOf(SANE_Handle h) {
    const Option x = findOption(h, SANE_NAME_SCAN_BR_X);
    const Option y = findOption(h, SANE_NAME_SCAN_BR_Y);
    if (!x || !y || x.d->unit != SANE_UNIT_MM || y.d->unit != SANE_UNIT_MM ||
        x.d->constraint_type != SANE_CONSTRAINT_RANGE ||
        y.d->constraint_type != SANE_CONSTRAINT_RANGE)
        return {};
    return QRectF(
        QPointF(x.number(x.d->constraint.range->min), y.number(y.d->constraint.range->min)),
        QPointF(x.number(x.d->constraint.range->max), y.number(y.d->constraint.range->max)));
}

std::optional<FrameKind> kindOf(SANE_Frame format) {
    switch (format) {
    case SANE_FRAME_GRAY:
        return FrameKind::Grey;
    case SANE_FRAME_RGB:
        return FrameKind::Rgb;
    case SANE_FRAME_RED:
        return FrameKind::Red;
    case SANE_FRAME_GREEN:
        return FrameKind::Green;
    case SANE_FRAME_BLUE:
        return FrameKind::Blue;
    default:
        return std::nullopt;
    }
}

// One scan: the open device and what the caller is told.
struct Reading {
    SANE_Handle h;
    const Events& events;
    int page = 1;
    QString unreadable; // why the page cannot become a picture

    bool stopAsked() const { return events.stopRequested && events.stopRequested(); }
    // Waits until the device has its next piece, asking the stop meanwhile; false for a stop.
    // Reading first would do on a good backend, but some end the page on an empty pipe.
    bool waitForData(SANE_Int fd) const {
        for (;;) {
            if (stopAsked())
                return false;
            if (fd < 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return true;
            }
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, 100) != 0)
                return true;
        }
    }

    // A device that reads without blocking is waited for here; a blocking one hands each piece
    // over as it comes, and the stop is asked between them.
    SANE_Status readFrame(Frame& frame, qint64 before, qint64 expected) {
        const bool nonBlocking = sane_set_io_mode(h, SANE_TRUE) == SANE_STATUS_GOOD;
        SANE_Int fd = -1;
        if (nonBlocking && sane_get_select_fd(h, &fd) != SANE_STATUS_GOOD)
            fd = -1;
        if (frame.lines > 0)
            frame.data.reserve(qsizetype(frame.lines) * frame.bytesPerLine);
        QByteArray piece(64 * 1024, '\0');
        for (;;) {
            if (stopAsked() || (fd >= 0 && !waitForData(fd)))
                return kStopped;
            SANE_Int length = 0;
            const SANE_Status status = sane_read(h, reinterpret_cast<SANE_Byte*>(piece.data()),
                                                 SANE_Int(piece.size()), &length);
            if (length > 0) {
                frame.data.append(piece.constData(), length);
                if (events.progress)
                    events.progress({page, before + frame.data.size(), expected});
            }
            if (status == SANE_STATUS_EOF)
                return status;
            // A read cut short by the stop's signal fails; the stop is what happened.
            if (status != SANE_STATUS_GOOD)
                return stopAsked() ? kStopped : status;
            if (length <= 0 && nonBlocking && fd < 0 && !waitForData(fd))
                return kStopped;
        }
    }

    // Every frame of the page; the device was started for the first.
    SANE_Status readPage(QList<Frame>& frames) {
        qint64 before = 0;
        for (;;) {
            SANE_Parameters p{};
            if (const SANE_Status status = sane_get_parameters(h, &p))
                return status;
            const std::optional<FrameKind> kind = kindOf(p.format);
            if (!kind || !depthSupported(p.depth)) {
                unreadable = QStringLiteral("frame format %1, %2 bits").arg(p.format).arg(p.depth);
                return kUnreadable;
            }
            Frame frame{*kind, p.depth, p.pixels_per_line, p.bytes_per_line, p.lines, {}};
            const bool band = *kind != FrameKind::Grey && *kind != FrameKind::Rgb;
            const qint64 expected =
                p.lines > 0 ? qint64(p.lines) * p.bytes_per_line * (band ? 3 : 1) : -1;
            const SANE_Status status = readFrame(frame, before, expected);
            if (status != SANE_STATUS_EOF)
                return status;
            before += frame.data.size();
            frames << frame;
            if (p.last_frame)
                return SANE_STATUS_GOOD;
            if (const SANE_Status next = sane_start(h))
                return next;
        }
    }
};

// The device asked for, or the first one found; its type says whether it feeds sheets.
Error chooseDevice(const QString& wanted, Device& chosen) {
    const SANE_Device** list = nullptr;
    const SANE_Status status = sane_get_devices(&list, SANE_FALSE);
    if (status != SANE_STATUS_GOOD)
        return errorOf(status, wanted);
    for (const SANE_Device** d = list; d && *d; ++d) {
        const QString name = QString::fromUtf8((*d)->name);
        if (wanted.isEmpty() || name == wanted) {
            chosen = {name, QString::fromUtf8((*d)->vendor), QString::fromUtf8((*d)->model),
                      QString::fromUtf8((*d)->type)};
            return {};
        }
    }
    if (wanted.isEmpty())
        return {Problem::NoScanner, {}, {}};
    // A device on the network may be opened by its name without being found first.
    chosen = {wanted, {}, {}, {}};
    return {};
}

Error openError(SANE_Status status, const QString& device) {
    // SANE's "invalid argument" from sane_open is a name no backend knows.
    return status == SANE_STATUS_INVAL ? Error{Problem::NoSuchDevice, device, statusText(status)}
                                       : errorOf(status, device);
}

Error setUp(SANE_Handle h, const Device& device, const Request& request, int& dpi) {
    if (Error e = setSource(h, device.name, device.type, request.source))
        return e;
    if (Error e = setMode(h, device.name, request.mode))
        return e;
    if (!request.area.isNull())
        setArea(h, request.area);
    return setResolution(h, device.name, request.resolution, dpi);
}

// The pages one after another until the count, the feeder or the caller ends them.
// Reads the page under way to its end (for half a second at most), its bytes thrown away; true
// when it ended. A device that failed answers every read with its failure while its reader may
// still be at work (just started, in malloc): false then too. Without blocking, a device may
// have nothing yet.
bool readToItsEnd(SANE_Handle h) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    std::vector<SANE_Byte> bytes(65536);
    for (SANE_Int length = 0; std::chrono::steady_clock::now() < until; length = 0) {
        const SANE_Status status = sane_read(h, bytes.data(), SANE_Int(bytes.size()), &length);
        if (status != SANE_STATUS_GOOD)
            return status == SANE_STATUS_EOF;
        if (length == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void readPages(SANE_Handle h, const Request& request, const Events& events, int dpi,
               Outcome& outcome) {
    const bool feeder = request.source == Source::Feeder;
    const int flatbedPages = std::max(1, request.pages);
    for (int page = 1;; ++page) {
        if (feeder ? request.pages > 0 && page > request.pages : page > flatbedPages)
            return;
        if (!feeder && page > 1 && events.nextSheet && !events.nextSheet(page - 1))
            return;
        Reading reading{h, events, page, {}};
        if (reading.stopAsked()) {
            outcome.error = errorOf(kStopped, outcome.device);
            return;
        }
        SANE_Status status = sane_start(h);
        if (status == SANE_STATUS_NO_DOCS && feeder && page > 1)
            return;
        QList<Frame> frames;
        if (status == SANE_STATUS_GOOD)
            status = reading.readPage(frames);
        if (status == kUnreadable) {
            outcome.error = {Problem::Unreadable, outcome.device, reading.unreadable};
            return;
        }
        if (status != SANE_STATUS_GOOD) {
            outcome.error = errorOf(status, outcome.device);
            return;
        }
        QString why;
        const QImage picture = pageFromFrames(frames, dpi, &why);
        if (picture.isNull()) {
            outcome.error = {Problem::Unreadable, outcome.device, why};
            return;
        }
        if (events.page && !events.page(picture, outcome.error))
            return;
        ++outcome.pages;
    }
}

} // namespace

QList<Device> devices(Error* error) {
    Library& library = Library::instance();
    const std::lock_guard guard(library.lock);
    if (error)
        *error = library.status == SANE_STATUS_GOOD ? Error{} : errorOf(library.status, {});
    QList<Device> found;
    const SANE_Device** list = nullptr;
    if (library.status != SANE_STATUS_GOOD)
        return found;
    if (const SANE_Status status = sane_get_devices(&list, SANE_FALSE)) {
        if (error)
            *error = errorOf(status, {});
        return found;
    }
    for (const SANE_Device** d = list; d && *d; ++d)
        found.append({QString::fromUtf8((*d)->name), QString::fromUtf8((*d)->vendor),
                      QString::fromUtf8((*d)->model), QString::fromUtf8((*d)->type)});
    return found;
}

Capabilities capabilities(const QString& device) {
    Library& library = Library::instance();
    const std::lock_guard guard(library.lock);
    Capabilities c;
    c.device = device;
    if (library.status != SANE_STATUS_GOOD) {
        c.error = errorOf(library.status, device);
        return c;
    }
    Device chosen;
    if ((c.error = chooseDevice(device, chosen)))
        return c;
    c.device = chosen.name;
    const Handle handle(chosen.name);
    if (!handle.handle) {
        c.error = openError(handle.status, chosen.name);
        return c;
    }
    const SANE_Handle h = handle.handle;
    const Option resolution = findOption(h, SANE_NAME_SCAN_RESOLUTION);
    if (resolution && resolution.isNumber()) {
        for (double r : numberChoices(resolution))
            c.resolutions << int(std::lround(r));
        if (resolution.d->constraint_type == SANE_CONSTRAINT_RANGE) {
            c.minResolution =
                int(std::ceil(resolution.number(resolution.d->constraint.range->min)));
            c.maxResolution = int(resolution.number(resolution.d->constraint.range->max));
        } else if (!c.resolutions.isEmpty()) {
            c.minResolution = *std::min_element(c.resolutions.begin(), c.resolutions.end());
            c.maxResolution = *std::max_element(c.resolutions.begin(), c.resolutions.end());
        }
    }
    c.modes = modesOf(h);
    c.sources = sourcesOf(h, chosen.type);
    c.area = areaOf(h);
    return c;
}

bool finishSane() {
    if (!g_started)
        return false;
    Library::instance().finish();
    return true;
}

Outcome scan(const Request& request, const Events& events) {
    Library& library = Library::instance();
    const std::lock_guard guard(library.lock);
    Outcome outcome;
    outcome.device = request.device;
    if (library.status != SANE_STATUS_GOOD) {
        outcome.error = errorOf(library.status, request.device);
        return outcome;
    }
    Device device;
    if ((outcome.error = chooseDevice(request.device, device)))
        return outcome;
    outcome.device = device.name;
    const Handle handle(device.name);
    if (!handle.handle) {
        outcome.error = openError(handle.status, device.name);
        return outcome;
    }
    int dpi = request.resolution;
    if ((outcome.error = setUp(handle.handle, device, request, dpi)))
        return outcome;
    readPages(handle.handle, request, events, dpi, outcome);
    // A page cut short: SANE's reader threads are cancelled at any instruction, and one caught
    // in malloc, as it is just after the page starts or as it ends, hangs the program. A page
    // read on to its end leaves no reader to cancel; one that takes longer is given a moment to
    // wait in a write or a sleep, where the cancel is harmless.
    if (outcome.error && !readToItsEnd(handle.handle))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // Also after a page cut short: the device stops feeding and is ready again.
    sane_cancel(handle.handle);
    return outcome;
}

} // namespace quillpix::scanner
