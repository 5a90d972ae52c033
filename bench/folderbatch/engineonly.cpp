// The engine alone, as a careful user would run it from a small program of their own: the
// language model loaded once, one recognition thread, each picture file read by the engine's own
// reader and its text written as the command line writes it, <output folder>/<name>.txt. The
// folder batch's benchmark runs it as the lower bound for the engine's work on the same pages.
//
//     engine_only LANGUAGES PSM OUTPUT_FOLDER PICTURE...
//
// Exit status 1 when the model does not load or a picture cannot be read or recognised.

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <dlfcn.h>

namespace {

// One recognition thread, whatever OMP_THREAD_LIMIT says: the library's parallel regions run
// in the calling thread alone.
void useOneThread() {
    using SetLevels = void (*)(int);
    if (auto set = reinterpret_cast<SetLevels>(::dlsym(RTLD_DEFAULT, "omp_set_max_active_levels")))
        set(0);
}

std::string baseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: engine_only LANGUAGES PSM OUTPUT_FOLDER PICTURE...\n");
        return 2;
    }
    // Numbers in the model's settings are read as the command line reads them.
    std::setlocale(LC_ALL, "C");
    useOneThread();
    tesseract::TessBaseAPI api;
    if (api.Init(nullptr, argv[1]) != 0) {
        std::fprintf(stderr, "the engine does not load %s\n", argv[1]);
        return 1;
    }
    api.SetPageSegMode(static_cast<tesseract::PageSegMode>(std::atoi(argv[2])));
    api.SetVariable("debug_file", "/dev/null");
    const std::string folder = argv[3];
    int status = 0;
    for (int i = 4; i < argc; ++i) {
        Pix* pix = pixRead(argv[i]);
        if (!pix) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            status = 1;
            continue;
        }
        api.SetImage(pix);
        const std::unique_ptr<char[]> text(api.GetUTF8Text());
        if (!text) {
            std::fprintf(stderr, "cannot recognise %s\n", argv[i]);
            status = 1;
        } else if (FILE* out =
                       std::fopen((folder + '/' + baseName(argv[i]) + ".txt").c_str(), "wb")) {
            std::fputs(text.get(), out);
            std::fclose(out);
        }
        api.Clear();
        pixDestroy(&pix);
    }
    return status;
}
