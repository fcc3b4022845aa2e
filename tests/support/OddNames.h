#pragma once
// File names that are hard on a program, as the bytes a Linux file system may
// hold: not UTF-8 at all, control characters, separators of other systems.
#include <QByteArray>
#include <QList>
#include <QString>

namespace fd::test {

struct OddName {
    const char *label;
    QByteArray bytes;
};

// GBK bytes, stray bytes, an encoded surrogate, a newline, a backslash, a leading
// "-", trailing spaces, a character outside the BMP and a 255-byte UTF-8 name.
QList<OddName> oddNames();

// Writes folder/name (name as bytes), creating the folder; false on failure.
// Folder paths here are the program's texts, so they may hold raw bytes too.
bool writeRawFile(const QString &folder, const QByteArray &name, const QByteArray &bytes);
// Names directly in a folder as bytes, sorted; folders are marked with a trailing "/".
QList<QByteArray> rawNamesIn(const QString &folder);

// A temporary folder that also removes names Qt cannot address.
class RawTemporaryDir {
public:
    RawTemporaryDir();
    ~RawTemporaryDir();
    QString path() const { return path_; }
    bool isValid() const { return !path_.isEmpty(); }

private:
    QString path_;
};

} // namespace fd::test
