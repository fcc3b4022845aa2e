#include "platform/NativeName.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QUrl>

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf8.h>

#include <memory>

namespace fd {

namespace {

constexpr char16_t kRawFirst = 0xDC80, kRawLast = 0xDCFF;

bool isRawUnit(char16_t u) { return u >= kRawFirst && u <= kRawLast; }

// Position of the next raw-byte unit at or after from; -1 when none. The low half
// of a surrogate pair is a real character, not a raw byte.
qsizetype nextRaw(const QString &s, qsizetype from)
{
    for (qsizetype i = from; i < s.size(); ++i)
        if (isRawUnit(s.at(i).unicode()) && !(i > 0 && s.at(i - 1).isHighSurrogate()))
            return i;
    return -1;
}

struct ConverterClose {
    void operator()(UConverter *c) const { ucnv_close(c); }
};

// The GBK decoding of bytes; a null text when they are not GBK.
QString strictGbk(const QByteArray &bytes)
{
    UErrorCode st = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterClose> cv(ucnv_open("GBK", &st));
    if (U_FAILURE(st))
        return QString();
    ucnv_setToUCallBack(cv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &st);
    if (U_FAILURE(st))
        return QString();
    QString out(bytes.size() + 1, Qt::Uninitialized);
    const int32_t n = ucnv_toUChars(cv.get(), reinterpret_cast<UChar *>(out.data()), int32_t(out.size()),
                                    bytes.constData(), int32_t(bytes.size()), &st);
    if (U_FAILURE(st))
        return QString();
    out.truncate(n);
    return out;
}

} // namespace

// Without surrogates a text holds no raw bytes and encodes as plain UTF-8, with
// no array of its own: the engine writes paths into records and calls this way.
qsizetype encodeFileNameInto(QStringView text, char *out)
{
#ifdef _WIN32
    Q_UNUSED(text);
    Q_UNUSED(out);
    return -1;
#else
    const auto *u = text.utf16();
    bool ascii = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (u[i] >= 0xD800 && u[i] <= 0xDFFF)
            return -1;
        ascii = ascii && u[i] < 0x80;
    }
    if (ascii) {
        for (qsizetype i = 0; i < text.size(); ++i)
            out[i] = char(u[i]);
        return text.size();
    }
    QStringEncoder encoder(QStringEncoder::Utf8);
    return encoder.appendToBuffer(out, text) - out;
#endif
}

NativeBytes::NativeBytes(QStringView text)
{
    n_ = text.size() < kMostUnits ? encodeFileNameInto(text, small_) : -1;
    if (n_ >= 0) {
        small_[n_] = '\0';
        return;
    }
    big_ = encodeFileName(text.toString());
    p_ = big_.constData();
    n_ = big_.size();
}

#ifdef _WIN32
// Windows names are UTF-16 already; the system takes them as they are.
QByteArray encodeFileName(const QString &path) { return QFile::encodeName(path); }
QString decodeFileName(const QByteArray &bytes) { return QFile::decodeName(bytes); }
#else
QByteArray encodeFileName(const QString &path)
{
    qsizetype raw = nextRaw(path, 0);
    if (raw < 0)
        return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 3);
    qsizetype from = 0;
    while (raw >= 0) {
        out += QStringView(path).mid(from, raw - from).toUtf8();
        out += char(path.at(raw).unicode() - 0xDC00);
        from = raw + 1;
        raw = nextRaw(path, from);
    }
    out += QStringView(path).mid(from).toUtf8();
    return out;
}

QString decodeFileName(const QByteArray &bytes)
{
    const auto *s = reinterpret_cast<const uint8_t *>(bytes.constData());
    const int32_t n = int32_t(bytes.size());
    int32_t i = 0;
    while (i < n && s[i] < 0x80)
        ++i;
    if (i == n)
        return QString::fromLatin1(bytes);
    QString out = QString::fromLatin1(bytes.constData(), i);
    out.reserve(n);
    while (i < n) {
        const int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c < 0) {
            for (int32_t k = start; k < i; ++k)
                out += QChar(char16_t(0xDC00 + s[k]));
        } else if (QChar::requiresSurrogates(char32_t(c))) {
            out += QChar(QChar::highSurrogate(char32_t(c)));
            out += QChar(QChar::lowSurrogate(char32_t(c)));
        } else {
            out += QChar(char16_t(c));
        }
    }
    return out;
}
#endif

QString localPathOf(const QUrl &url)
{
    if (!url.isLocalFile())
        return QString();
#ifdef _WIN32
    return QDir::toNativeSeparators(url.toLocalFile());
#else
    // toLocalFile() would turn bytes that are not UTF-8 into replacement characters.
    if (!url.host().isEmpty())
        return url.toLocalFile();
    return decodeFileName(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
#endif
}

bool hasRawBytes(const QString &text) { return nextRaw(text, 0) >= 0; }

QString visibleName(const QString &text, QChar replacement)
{
    qsizetype raw = nextRaw(text, 0);
    if (raw < 0)
        return text;
    QString out = text;
    while (raw >= 0) {
        out[raw] = replacement;
        raw = nextRaw(text, raw + 1);
    }
    return out;
}

namespace {

// Each component of path holding raw bytes becomes its GBK decoding, or, when its
// bytes are not GBK, shows them as the replacement.
QString gbkPerComponent(const QString &path, QChar replacement)
{
    if (!hasRawBytes(path))
        return path;
    QString out;
    qsizetype from = 0;
    while (from <= path.size()) {
        qsizetype end = path.indexOf(QLatin1Char('/'), from);
#ifdef _WIN32
        const qsizetype back = path.indexOf(QLatin1Char('\\'), from);
        if (back >= 0 && (end < 0 || back < end))
            end = back;
#endif
        if (end < 0)
            end = path.size();
        const QString part = path.mid(from, end - from);
        if (hasRawBytes(part)) {
            const QString gbk = strictGbk(encodeFileName(part));
            out += gbk.isNull() ? visibleName(part, replacement) : gbk;
        } else {
            out += part;
        }
        if (end < path.size())
            out += path.at(end);
        from = end + 1;
    }
    return out;
}

} // namespace

QString displayName(const QString &name) { return gbkPerComponent(name, QChar(0xFFFD)); }

QString logName(const QString &path) { return gbkPerComponent(path, QLatin1Char('?')); }

} // namespace fd
