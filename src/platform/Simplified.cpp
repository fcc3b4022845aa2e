#include "platform/Simplified.h"

#include <QHash>

#include <opencc/opencc.h>

namespace fd {

namespace {

// One converter for the process, loaded on first use; its dictionaries take a
// moment to read, names are many.
class Converter {
public:
    Converter() : handle_(opencc_open("t2s.json")) {}
    ~Converter()
    {
        if (ok())
            opencc_close(handle_);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool ok() const { return handle_ != reinterpret_cast<opencc_t>(-1) && handle_ != nullptr; }

    std::optional<QString> convert(const QString &text) const
    {
        if (!ok())
            return std::nullopt;
        const QByteArray in = text.toUtf8();
        char *out = opencc_convert_utf8(handle_, in.constData(), size_t(in.size()));
        if (!out)
            return std::nullopt;
        QString r = QString::fromUtf8(out);
        opencc_convert_utf8_free(out);
        return r;
    }

private:
    opencc_t handle_;
};

const Converter &converter()
{
    static const Converter c;
    return c;
}

} // namespace

namespace {
bool plainAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}
} // namespace

std::optional<QString> toSimplified(const QString &text)
{
    if (text.isEmpty())
        return text;
    return converter().convert(text);
}

bool hasTraditional(const QString &text)
{
    // ASCII has no traditional form; a sweep meets the same names again and again.
    if (plainAscii(text) || !converter().ok())
        return false;
    thread_local QHash<QString, bool> known;
    if (const auto it = known.constFind(text); it != known.cend())
        return *it;
    if (known.size() >= 100000)
        known.clear();
    const std::optional<QString> s = toSimplified(text);
    const bool traditional = s && *s != text;
    known.insert(text, traditional);
    return traditional;
}

} // namespace fd
