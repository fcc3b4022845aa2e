#pragma once
// The one conversion between the program's path texts and the bytes the system
// calls take. Every raw call (platform/RawFile, platform/RawDir) goes through it.
//
// On Linux a file name is any string of bytes. Valid UTF-8 decodes as usual; every
// byte that is not part of valid UTF-8 becomes the lone surrogate U+DC80 + (byte -
// 0x80) (bytes below 0x80 are always valid) and encodes back to that byte, so a name
// read from the disk reaches the disk again byte for byte.
#include <QByteArray>
#include <QString>

class QUrl;

namespace fd {

QByteArray encodeFileName(const QString &path);
QString decodeFileName(const QByteArray &bytes);
// The same bytes written to out, which has room for 3 per unit of text; their
// count, or -1 for a text this cannot write (then use encodeFileName).
qsizetype encodeFileNameInto(QStringView text, char *out);

// A path's bytes, ending in a NUL, for a system call or a record: in a buffer of
// its own for the usual paths, from encodeFileName for the others.
class NativeBytes {
public:
    explicit NativeBytes(QStringView text);
    NativeBytes(const NativeBytes &) = delete;
    NativeBytes &operator=(const NativeBytes &) = delete;
    const char *data() const { return p_; }
    qsizetype size() const { return n_; }

private:
    static constexpr qsizetype kMostUnits = 512;
    char small_[kMostUnits * 3 + 1];
    QByteArray big_;
    const char *p_ = small_;
    qsizetype n_ = 0;
};

// True when the text holds at least one byte that was not valid UTF-8.
bool hasRawBytes(const QString &text);

// The path of a local file URL (a dropped file), its percent-escaped bytes kept;
// empty for other URLs.
QString localPathOf(const QUrl &url);

// The text as a person sees it: each raw byte shows as U+FFFD (or the given
// replacement). Never use the result as a path.
QString visibleName(const QString &text, QChar replacement = QChar(0xFFFD));

// A name that is not valid UTF-8 but whose bytes decode whole as GBK shows as that
// decoding (names written by older Chinese systems); any other as visibleName().
// A path is shown component by component.
QString displayName(const QString &name);

// A path for the failure log, which is written in GBK: each component holding raw
// bytes is its GBK decoding when there is one, else raw bytes become "?".
QString logName(const QString &path);

} // namespace fd
