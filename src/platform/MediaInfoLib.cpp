#include "platform/MediaInfoLib.h"

#include "platform/RawFile.h"

#include <clocale>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <dlfcn.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <langinfo.h>
#include <unistd.h>
#endif

namespace fd {

namespace {

using NewFn = void *(*)();
using OpenFn = size_t (*)(void *, const wchar_t *);
using OptionFn = const wchar_t *(*)(void *, const wchar_t *, const wchar_t *);
using InformFn = const wchar_t *(*)(void *, size_t);
using CloseFn = void (*)(void *);
using DeleteFn = void (*)(void *);
using BufferInitFn = size_t (*)(void *, uint64_t, uint64_t);
using BufferContinueFn = size_t (*)(void *, uint8_t *, size_t);
using BufferGoToFn = uint64_t (*)(void *);
using BufferFinalizeFn = size_t (*)(void *);
using CountFn = size_t (*)(void *, int, size_t);
using GetFn = const wchar_t *(*)(void *, int, size_t, const wchar_t *, int, int);

// Stream kinds and kinds of information of the C interface.
constexpr int kStreamVideo = 1;
constexpr int kStreamImage = 5;
constexpr int kInfoText = 1;
constexpr int kInfoName = 0;
// Bits of a buffer step's answer: the library knows the format; it has all it wants.
constexpr size_t kAccepted = 1u << 0;
constexpr size_t kFinalized = 1u << 3;

struct Library {
    bool tried = false;
    void *handle = nullptr;
    NewFn newFn = nullptr;
    OpenFn openFn = nullptr;
    OptionFn optionFn = nullptr;
    InformFn informFn = nullptr;
    CloseFn closeFn = nullptr;
    DeleteFn deleteFn = nullptr;
    BufferInitFn bufferInit = nullptr;
    BufferContinueFn bufferContinue = nullptr;
    BufferGoToFn bufferGoTo = nullptr;
    BufferFinalizeFn bufferFinalize = nullptr;
    CountFn countFn = nullptr;
    GetFn getFn = nullptr;
    QString nameOverride;

    bool complete() const
    {
        return newFn && openFn && optionFn && informFn && closeFn && deleteFn && bufferInit && bufferContinue
            && bufferGoTo && bufferFinalize && countFn && getFn;
    }
};

std::mutex g_loadMutex;
Library g_lib;

#ifdef Q_OS_WIN
void *openLibrary(const QString &name)
{
    return reinterpret_cast<void *>(LoadLibraryW(reinterpret_cast<LPCWSTR>(name.utf16())));
}
void *symbol(void *h, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(h), name));
}
void closeLibrary(void *h) { FreeLibrary(static_cast<HMODULE>(h)); }
const char *kDefaultName = "MediaInfo.dll";
bool seekTo(int fd, uint64_t offset) { return _lseeki64(fd, __int64(offset), SEEK_SET) >= 0; }
#else
void *openLibrary(const QString &name)
{
    return dlopen(name.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
}
void *symbol(void *h, const char *name) { return dlsym(h, name); }
void closeLibrary(void *h) { dlclose(h); }
const char *kDefaultName = "libmediainfo.so.0";
bool seekTo(int fd, uint64_t offset) { return ::lseek(fd, off_t(offset), SEEK_SET) >= 0; }

// The library turns wide paths into the bytes of the file system through the C
// locale's character set; with the plain "C" locale non-ASCII names cannot open.
void ensureUtf8CharacterLocale()
{
    const char *cs = nl_langinfo(CODESET);
    if (cs && (std::strcmp(cs, "UTF-8") == 0 || std::strcmp(cs, "utf8") == 0))
        return;
    for (const char *loc : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
        if (std::setlocale(LC_CTYPE, loc))
            return;
}
#endif

template <typename Fn> void bind(Fn &fn, const char *name) { fn = reinterpret_cast<Fn>(symbol(g_lib.handle, name)); }

const Library &library()
{
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (g_lib.tried)
        return g_lib;
    g_lib.tried = true;
#ifdef __GLIBC__
    // A file the library's own parser for its extension refuses goes through
    // every other parser, each taking and handing back megabytes: the C library
    // gave them back to the system every time, most of the reading's cost. Four
    // megabytes stay at the heap's top instead.
    ::mallopt(M_TOP_PAD, 4 << 20);
#endif
    const QString name = g_lib.nameOverride.isEmpty() ? QString::fromLatin1(kDefaultName) : g_lib.nameOverride;
    g_lib.handle = openLibrary(name);
    if (!g_lib.handle)
        return g_lib;
    bind(g_lib.newFn, "MediaInfo_New");
    bind(g_lib.openFn, "MediaInfo_Open");
    bind(g_lib.optionFn, "MediaInfo_Option");
    bind(g_lib.informFn, "MediaInfo_Inform");
    bind(g_lib.closeFn, "MediaInfo_Close");
    bind(g_lib.deleteFn, "MediaInfo_Delete");
    bind(g_lib.bufferInit, "MediaInfo_Open_Buffer_Init");
    bind(g_lib.bufferContinue, "MediaInfo_Open_Buffer_Continue");
    bind(g_lib.bufferGoTo, "MediaInfo_Open_Buffer_Continue_GoTo_Get");
    bind(g_lib.bufferFinalize, "MediaInfo_Open_Buffer_Finalize");
    bind(g_lib.countFn, "MediaInfo_Count_Get");
    bind(g_lib.getFn, "MediaInfo_Get");
    if (!g_lib.complete())
        return g_lib;
#ifndef Q_OS_WIN
    ensureUtf8CharacterLocale();
#endif
    // The first handle builds the library's format tables; do it now, not at the first file.
    if (void *h = g_lib.newFn())
        g_lib.deleteFn(h);
    return g_lib;
}

// A handle with the options every read needs. By default the library takes a
// picture whose name ends in a number for the first frame of a sequence and reads
// every later file of the folder as part of it: slow, and the report then describes
// the sequence instead of the picture.
void *newHandle(const Library &lib)
{
    void *h = lib.newFn();
    if (h)
        lib.optionFn(h, L"File_TestContinuousFileNames", L"0");
    return h;
}

// Opening a file by name, the library first tries the parser its format list names
// for the file's extension, and all of them only when that one refuses the file.
// Its list is not reachable through the C interface; these are its entries for the
// common picture formats, where trying every parser costs as much as the reading.
QString parserForName(const QString &path)
{
    static const struct {
        const char *parser;
        QStringList extensions;
    } kPictures[] = {
        {"Jpeg", {"jpg", "jpeg", "jpe", "jps", "mpo", "h3d"}},
        {"Png", {"png", "pns"}},
        {"Gif", {"gif", "gis"}},
        {"Tiff", {"tif", "tiff"}},
        {"Bmp", {"bmp", "bms"}},
    };
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    const QString ext = path.mid(dot + 1).toLower();
    for (const auto &p : kPictures)
        if (p.extensions.contains(ext))
            return QString::fromLatin1(p.parser);
    return QString();
}

// Hands the open file to the library from its start, following its requests to
// jump elsewhere. True when the library recognised the format.
bool feed(const Library &lib, void *h, int fd)
{
    const long long size = raw::size(fd);
    if (size < 0 || !seekTo(fd, 0))
        return false;
    bool accepted = false;
    lib.bufferInit(h, uint64_t(size), 0);
    // A small first piece: before it knows the format the library tries every parser
    // on all it is given, and most formats show themselves in their first bytes.
    std::vector<uint8_t> buffer(64 * 1024);
    size_t want = 512;
    // Bounds the steps against a library that keeps asking for the same place.
    for (long long step = 0; step < (1LL << 22); ++step) {
        const long long n = raw::read(fd, reinterpret_cast<char *>(buffer.data()), (long long)want);
        if (n < 0)
            break;
        want = qMin(buffer.size(), want * 4);
        const size_t status = lib.bufferContinue(h, buffer.data(), size_t(n));
        accepted = accepted || (status & kAccepted);
        if (status & kFinalized)
            break;
        const uint64_t to = lib.bufferGoTo(h);
        if (to != uint64_t(-1)) {
            if (!seekTo(fd, to))
                break;
            lib.bufferInit(h, uint64_t(size), to);
        } else if (n == 0) {
            break;
        }
    }
    lib.bufferFinalize(h);
    return accepted;
}

QString field(const Library &lib, void *h, int stream, const wchar_t *name)
{
    // The library owns the text until its next call on the handle.
    const wchar_t *text = lib.getFn(h, stream, 0, name, kInfoText, kInfoName);
    return text ? QString::fromWCharArray(text) : QString();
}

// A value of the first video stream, else of the first image stream.
QString firstOf(const Library &lib, void *h, bool video, bool image, const wchar_t *name)
{
    const QString v = video ? field(lib, h, kStreamVideo, name) : QString();
    return v.isEmpty() && image ? field(lib, h, kStreamImage, name) : v;
}

} // namespace

bool mediaInfoAvailable() { return library().complete(); }

void setMediaInfoLibraryName(const QString &name)
{
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (g_lib.handle)
        closeLibrary(g_lib.handle);
    const QString keep = name;
    g_lib = Library();
    g_lib.nameOverride = keep;
}

std::optional<MediaInfoSize> mediaInfoSize(const QString &path)
{
    const Library &lib = library();
    if (!lib.complete())
        return std::nullopt;
    MediaInfoSize size;
    const int fd = raw::openRead(path);
    if (fd < 0)
        return size;
    const std::wstring parser = parserForName(path).toStdWString();
    void *h = newHandle(lib);
    if (h && !parser.empty()) {
        lib.optionFn(h, L"File_ForceParser", parser.c_str());
        if (!feed(lib, h, fd)) { // not what its name says: let the library try every parser
            lib.closeFn(h);
            lib.deleteFn(h);
            h = newHandle(lib);
            if (h)
                feed(lib, h, fd);
        }
    } else if (h) {
        feed(lib, h, fd);
    }
    if (h) {
        const bool video = lib.countFn(h, kStreamVideo, size_t(-1)) > 0;
        const bool image = lib.countFn(h, kStreamImage, size_t(-1)) > 0;
        size.width = firstOf(lib, h, video, image, L"Width");
        size.height = firstOf(lib, h, video, image, L"Height");
        lib.closeFn(h);
        lib.deleteFn(h);
    }
    raw::close(fd);
    return size;
}

std::optional<QString> mediaInfoReport(const QString &path)
{
    const Library &lib = library();
    if (!lib.complete())
        return std::nullopt;
    void *h = newHandle(lib);
    if (!h)
        return std::nullopt;
    const std::wstring wpath = path.toStdWString();
    lib.openFn(h, wpath.c_str());
    lib.optionFn(h, L"Complete", L"");
    const wchar_t *text = lib.informFn(h, 0);
    // The library owns the text; copy it before the handle goes.
    QString report = text ? QString::fromWCharArray(text) : QString();
    lib.closeFn(h);
    lib.deleteFn(h);
    return report;
}

} // namespace fd
