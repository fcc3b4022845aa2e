#include "OddNames.h"

#include "platform/NativeName.h"
#include "platform/RawDir.h"

#include <QDir>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fd::test {

QList<OddName> oddNames()
{
    QByteArray longName;
    for (int i = 0; i < 83; ++i)
        longName += "\xE9\x95\xBF"; // 长
    longName += "ab.txt";
    return {
        {"gbk", QByteArray("\xD7\xCA\xC1\xCF.txt")}, // 资料.txt in GBK
        {"stray", QByteArray("a\xFF\xFE.txt")},
        {"surrogate", QByteArray("s\xED\xA0\x80.txt")},
        {"newline", QByteArray("line\nbreak.txt")},
        {"backslash", QByteArray("back\\slash.txt")},
        {"dash", QByteArray("-n.txt")},
        {"spaces", QByteArray("trail.txt  ")},
        {"astral", QByteArray("\xF0\x9F\x98\x80.txt")},
        {"long", longName},
    };
}

bool writeRawFile(const QString &folder, const QByteArray &name, const QByteArray &bytes)
{
    fd::raw::makePath(folder);
    const QByteArray path = fd::encodeFileName(folder) + '/' + name;
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && ok;
}

QList<QByteArray> rawNamesIn(const QString &folder)
{
    QList<QByteArray> out;
    const QByteArray root = fd::encodeFileName(folder);
    DIR *d = ::opendir(root.constData());
    if (!d)
        return out;
    while (const dirent *e = ::readdir(d)) {
        QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat st;
        if (::lstat((root + '/' + name).constData(), &st) == 0 && S_ISDIR(st.st_mode))
            name += '/';
        out << name;
    }
    ::closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

RawTemporaryDir::RawTemporaryDir()
{
    QByteArray t = QFile::encodeName(QDir::tempPath()) + "/fd-names-XXXXXX";
    if (::mkdtemp(t.data()))
        path_ = QFile::decodeName(t);
}

RawTemporaryDir::~RawTemporaryDir()
{
    if (!path_.isEmpty())
        fd::raw::removeTree(path_);
}

} // namespace fd::test
