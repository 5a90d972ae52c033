# shellcheck shell=bash disable=SC2034
# Shared by scripts/run.sh and scripts/test.sh; sourced, not run.
# Set-up on Debian 12: the packages that are missing are installed with apt-get (as root, or
# through sudo), then the project is configured and built with CMake and Ninja.

QUILLPIX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc 2>/dev/null || echo 2)}"

# What building needs: compiler and tools, Qt 6 Widgets, ICU, libsndfile and ALSA, Poppler's
# Qt 6 interface (PDF pages) and its core library (optional: a scanned page's own picture,
# otherwise every page is drawn), the engine's library for the resident engine, PoDoFo for
# writing searchable PDFs, and the Noto CJK fonts (the sample pictures are drawn with Noto Sans
# CJK JP at build time), Qt's translation tools (lupdate, lrelease and their CMake functions)
# for the program's English and Japanese texts, and SANE's library for scanners.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-tools-dev
    qt6-l10n-tools libicu-dev
    libsndfile1-dev libasound2-dev libpoppler-qt6-dev libpoppler-private-dev libtesseract-dev
    libleptonica-dev libpodofo-dev libsane-dev fonts-noto-cjk)
# What running needs besides: the engine with its Japanese (horizontal and vertical) and
# English data and its orientation data (the automatic reading stands turned pages up),
# xdg-open for the buttons that hand files and folders to the desktop, Qt's readers for TIFF
# and WebP, Qt's own translations (its dialogs and menus in Japanese), and SANE's backends for
# the scanners (its test backend is what the tests scan with).
RUN_PACKAGES=(tesseract-ocr tesseract-ocr-jpn tesseract-ocr-jpn-vert tesseract-ocr-osd
    tesseract-ocr-eng xdg-utils qt6-image-formats-plugins qt6-translations-l10n libsane1)
# What the tests and benchmarks need besides: Google Benchmark, and for the end-to-end test an
# X server without a screen, the tools that drive and inspect windows on it, and ImageMagick's
# import for its screenshots; a light window manager to check the window's frame under one;
# Poppler's pdftotext and pdfimages to read back the searchable PDFs, and pdftoppm to compare
# the pages the program shows with Poppler's own rendering; Japanese fonts besides Noto CJK for
# the page-layout tests and the reading measurements (IPA Mincho and IPAex Gothic measured, VL
# Gothic and Sawarabi Mincho held out); GNU parallel for the folder batch's baseline, the
# engine's command line run two at a time as a careful user would; xclip to put a picture on the
# real clipboard and read the text a screen reading copied; desktop-file-validate to check the
# desktop entry.
TEST_PACKAGES=(libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick clang-format openbox
    poppler-utils fonts-ipafont-mincho fonts-ipaexfont-gothic fonts-vlgothic fonts-sawarabi-mincho
    parallel xclip desktop-file-utils)

say() { printf '\n== %s\n' "$*"; }
die() {
    printf '\nerror: %s\n' "$*" >&2
    exit 1
}

run_as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        die "installing packages needs root: run this script as root or install sudo"
    fi
}

missing_packages() {
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q ' ok installed$'; then
            echo "$package"
        fi
    done
}

# Installs whichever of the named packages are missing; does not touch apt at all when every
# one is present already.
ensure_packages() {
    command -v dpkg-query >/dev/null 2>&1 ||
        die "this set-up is for Debian 12; install these packages by other means: $*"
    local missing
    mapfile -t missing < <(missing_packages "$@")
    if [ "${#missing[@]}" -eq 0 ]; then
        say "All ${#} packages are installed already"
        return
    fi
    say "Installing ${missing[*]}"
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o Dpkg::Use-Pty=0
        -o DPkg::Lock::Timeout=600)
    run_as_root "${apt[@]}" update </dev/null
    run_as_root "${apt[@]}" install --no-install-recommends "${missing[@]}" </dev/null
    mapfile -t missing < <(missing_packages "$@")
    [ "${#missing[@]}" -eq 0 ] || die "still missing after apt-get: ${missing[*]}"
}

# configure_and_build BUILD_DIR [cmake options...]
configure_and_build() {
    local dir="$1"
    shift
    say "Configuring $dir"
    cmake -S "$QUILLPIX_ROOT" -B "$dir" -G Ninja "$@"
    say "Building $dir with $JOBS jobs"
    cmake --build "$dir" -j "$JOBS"
}

# run_tests BUILD_DIR: every test; returns non-zero on any failure and on an empty test set.
run_tests() {
    local dir="$1" log
    log="$(mktemp)"
    say "Running the tests of $dir"
    local status=0
    (cd "$dir" && ctest --output-on-failure --no-tests=error --timeout 900 \
        -j "${CTEST_JOBS:-$JOBS}") 2>&1 | tee "$log" || status=$?
    local total
    total="$(sed -n 's/.*tests failed out of \([0-9][0-9]*\).*/\1/p' "$log" | tail -n 1)"
    rm -f "$log"
    if [ -z "$total" ] || [ "$total" -eq 0 ]; then
        printf '\nerror: no test ran in %s\n' "$dir" >&2
        return 1
    fi
    if [ "$status" -ne 0 ]; then
        printf '\nerror: tests failed in %s\n' "$dir" >&2
        return 1
    fi
    say "$total tests passed in $dir"
}
