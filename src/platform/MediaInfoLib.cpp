#include "platform/MediaInfoLib.h"

#include <clocale>
#include <cstring>
#include <string>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <dlfcn.h>
#include <langinfo.h>
#endif

namespace fd {

namespace {

using NewFn = void *(*)();
using OpenFn = size_t (*)(void *, const wchar_t *);
using OptionFn = const wchar_t *(*)(void *, const wchar_t *, const wchar_t *);
using InformFn = const wchar_t *(*)(void *, size_t);
using CloseFn = void (*)(void *);
using DeleteFn = void (*)(void *);

struct Library {
    bool tried = false;
    void *handle = nullptr;
    NewFn newFn = nullptr;
    OpenFn openFn = nullptr;
    OptionFn optionFn = nullptr;
    InformFn informFn = nullptr;
    CloseFn closeFn = nullptr;
    DeleteFn deleteFn = nullptr;
    QString nameOverride;

    bool complete() const
    {
        return newFn && openFn && optionFn && informFn && closeFn && deleteFn;
    }
};

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
#else
void *openLibrary(const QString &name)
{
    return dlopen(name.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
}
void *symbol(void *h, const char *name) { return dlsym(h, name); }
void closeLibrary(void *h) { dlclose(h); }
const char *kDefaultName = "libmediainfo.so.0";

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

Library &library()
{
    if (g_lib.tried)
        return g_lib;
    g_lib.tried = true;
    const QString name = g_lib.nameOverride.isEmpty() ? QString::fromLatin1(kDefaultName) : g_lib.nameOverride;
    g_lib.handle = openLibrary(name);
    if (!g_lib.handle)
        return g_lib;
    g_lib.newFn = reinterpret_cast<NewFn>(symbol(g_lib.handle, "MediaInfo_New"));
    g_lib.openFn = reinterpret_cast<OpenFn>(symbol(g_lib.handle, "MediaInfo_Open"));
    g_lib.optionFn = reinterpret_cast<OptionFn>(symbol(g_lib.handle, "MediaInfo_Option"));
    g_lib.informFn = reinterpret_cast<InformFn>(symbol(g_lib.handle, "MediaInfo_Inform"));
    g_lib.closeFn = reinterpret_cast<CloseFn>(symbol(g_lib.handle, "MediaInfo_Close"));
    g_lib.deleteFn = reinterpret_cast<DeleteFn>(symbol(g_lib.handle, "MediaInfo_Delete"));
#ifndef Q_OS_WIN
    if (g_lib.complete())
        ensureUtf8CharacterLocale();
#endif
    return g_lib;
}

} // namespace

bool mediaInfoAvailable() { return library().complete(); }

void setMediaInfoLibraryName(const QString &name)
{
    if (g_lib.handle)
        closeLibrary(g_lib.handle);
    const QString keep = name;
    g_lib = Library();
    g_lib.nameOverride = keep;
}

std::optional<QString> mediaInfoReport(const QString &path)
{
    Library &lib = library();
    if (!lib.complete())
        return std::nullopt;
    void *h = lib.newFn();
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
