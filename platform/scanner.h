#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
#include <optional>

// Pages from a scanner through SANE: the devices found, what each offers, and a scan of one
// page or of every sheet of a feeder. Every SANE call of one of these functions is made on the
// thread that calls it, and no two of them run at once: the backends keep state shared between
// their handles that nothing guards.
namespace quillpix::scanner {

enum class Mode { Colour, Grey, Lineart };
enum class Source { Flatbed, Feeder };

struct Device {
    QString name; // what the device is opened by: "test:0", "epson2:libusb:001:004"
    QString vendor;
    QString model;
    QString type; // "flatbed scanner", "sheetfed scanner", "virtual device"...
};

// Why a scan or a look at a device did not go as asked.
enum class Problem {
    None,
    NoScanner, // no device was found
    NoSuchDevice,
    Busy,
    Jammed,
    FeederEmpty,
    CoverOpen,
    DeviceIo, // the connection failed: unplugged, switched off, a cable
    AccessDenied,
    NoMemory,
    WarmingUp,
    Locked,     // the transport lock is on
    Refused,    // the device refused what it was asked (SANE's "invalid argument" and the like)
    Resolution, // the resolution asked for is not one the device offers
    Mode,       // nor the colour mode
    Source,     // nor the source
    Unreadable, // the device sent a page in a form this program cannot make a picture of
    Folder,     // the page could not be written
    Stopped,
};

struct Error {
    Problem problem = Problem::None;
    QString device;
    // What the device or the system said (SANE's words for its status), or what it offers
    // instead ("1..1200 dpi", "Gray, Color"), or the file and the reason.
    QString detail;
    explicit operator bool() const { return problem != Problem::None; }
};

// What a device lets be chosen.
struct Capabilities {
    QString device;
    // The device's range; both 0 when it has no resolution to choose.
    int minResolution = 0;
    int maxResolution = 0;
    // The only resolutions it takes when it has such a list; empty for a range.
    QList<int> resolutions;
    // Empty when the device has no mode to choose: it scans in its one mode whatever is asked.
    QList<Mode> modes;
    QList<Source> sources;
    // The largest scan area in millimetres; null when the device has none or counts in pixels.
    QRectF area;
    Error error; // the device could not be opened or asked
};

struct Request {
    QString device; // "" for the first device found
    int resolution = 300;
    Mode mode = Mode::Colour;
    Source source = Source::Flatbed;
    // The flatbed: how many pages (0 for one). The feeder: at most this many (0 until empty).
    int pages = 0;
    // Millimetres from the top-left corner of the device's area; null for the device's own.
    QRectF area;
};

struct Progress {
    int page = 0; // from 1
    qint64 bytes = 0;
    qint64 expected = -1; // -1 when the device does not know the page's length
};

// What the caller is asked while a scan goes on, on the scanning thread.
struct Events {
    // Asked between two pieces of a page, and before each page.
    std::function<bool()> stopRequested;
    std::function<void(const Progress&)> progress;
    // Before each flatbed page after the first; false ends the scan there, as it is.
    std::function<bool(int pagesDone)> nextSheet;
    // A whole page. False when it could not be kept: error says why, and the scan ends.
    std::function<bool(const QImage& page, Error& error)> page;
};

struct Outcome {
    QString device; // the device scanned with, also when the first one found was taken
    int pages = 0;  // pages handed to Events::page and kept
    Error error;
};

// The devices SANE finds, local and on the network. error tells why none could be looked for.
QList<Device> devices(Error* error = nullptr);
Capabilities capabilities(const QString& device);
// Opens the device, sets it up as asked and reads pages: the flatbed as many times as asked,
// the feeder until it is empty. A feeder empty at the first page is an error; after it, the
// end. A device that cannot do what is asked is an error before anything is read.
Outcome scan(const Request& request, const Events& events);

// Ends SANE for the rest of the process (what is asked later finds no scanner); whether it had
// been started. For a program that ends without its exit handlers: a backend's reader thread
// stopped in mid-page may leave a lock of the C library held that they would wait on for ever.
bool finishSane();

// What a device's name for a colour mode or a source means; none for one of no such kind
// ("Halftone", "Transparency Unit").
std::optional<Mode> modeOfName(const QString& name);
std::optional<Source> sourceOfName(const QString& name);
// The resolution nearest to wanted that the device takes.
int resolutionWithin(int wanted, const Capabilities& capabilities);
// The device as a person knows it: "Epson Perfection V39 (epson2:libusb:001:004)".
QString shownName(const Device& device);

} // namespace quillpix::scanner
