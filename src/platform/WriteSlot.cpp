#include "platform/WriteSlot.h"

#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/Env.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

#include <QDateTime>
#include <QLockFile>
#include <atomic>
#include <cstring>

namespace fd {

namespace {

enum State : unsigned { Idle = 0, Creating = 1, Writing = 2 };

struct Layout {
    char magic[8];
    unsigned state;
    unsigned length;
    unsigned long long device, number;
    long long beganNs, size;
    char path[1];
};
constexpr char kMagic[8] = {'f', 'd', 's', 'l', 'o', 't', '2', '\0'};
constexpr qint64 kSize = 8192;
constexpr qint64 kRoom = kSize - qint64(offsetof(Layout, path));

Layout *layout(char *m) { return reinterpret_cast<Layout *>(m); }

// Stores reach the mapping in the order written: a record is whole before its state says so.
void fence() { std::atomic_signal_fence(std::memory_order_seq_cst); }

long long nowNs() { return QDateTime::currentMSecsSinceEpoch() * 1000000LL; }

// Before the identity is known, a kill leaves no file, or one made since the
// record and still short of its size (file times lag the clock by a tick: some
// slack). A whole file stays: it is a good copy.
bool leftBehind(const Layout &l, const raw::Info &there)
{
    if (l.state == Writing)
        return there.device == l.device && there.number == l.number;
    return there.plain && (there.size == 0 || there.size < l.size) && there.modifiedNs >= l.beganNs - 50'000'000LL;
}

} // namespace

struct WriteSlot::Lock {
    QLockFile file;
    explicit Lock(const QString &path) : file(path) {}
};

// Not beside the program: its folder is the input folder at startup, and a file
// of the run's own there would be listed and dispatched. One slot per copy of
// the program, so each finds what its own killed run left.
QString WriteSlot::defaultPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QByteArray key = QCryptographicHash::hash(encodeFileName(programFolder()), QCryptographicHash::Sha1);
    return paths::join(QDir::toNativeSeparators(folder),
                       QStringLiteral("fdispatch-slot-") + QString::fromLatin1(key.toHex().left(16)));
}

namespace {
// The slot's record, handed to use; false when the file holds none.
template <typename Use> bool withRecord(const QString &slotPath, Use use)
{
    raw::MappedFile f;
    if (!f.open(slotPath) || f.size() != kSize)
        return false;
    Layout &l = *layout(f.data());
    const bool found = std::memcmp(l.magic, kMagic, sizeof kMagic) == 0 && l.state != Idle && l.length < kRoom;
    if (found)
        use(l, decodeFileName(QByteArray(l.path, int(l.length))));
    return found;
}
} // namespace

QString WriteSlot::pending(const QString &slotPath)
{
    QString path;
    withRecord(slotPath, [&](Layout &, const QString &p) { path = p; });
    return path;
}

bool WriteSlot::recover(const QString &slotPath)
{
    bool removed = false;
    withRecord(slotPath, [&](Layout &l, const QString &path) {
        raw::Info there;
        if (raw::info(path, there, false) && leftBehind(l, there))
            removed = raw::remove(path);
        l.state = Idle;
    });
    return removed;
}

WriteSlot::WriteSlot(const QString &path) : lock_(std::make_unique<Lock>(path + QStringLiteral(".lock")))
{
    lock_->file.setStaleLockTime(0); // held for a whole run: stale only when its process is gone
    if (!lock_->file.tryLock(0))
        return; // another copy of the program writes with it
    recover(path);
    if ((!file_.open(path) || file_.size() != kSize) && !file_.create(path, kSize))
        return;
    std::memcpy(layout(file_.data())->magic, kMagic, sizeof kMagic);
    layout(file_.data())->state = Idle;
}

WriteSlot::~WriteSlot()
{
    end();
}

bool WriteSlot::begin(const QString &path, long long size)
{
    if (!usable())
        return false;
    Layout &l = *layout(file_.data());
    l.state = Idle;
    fence();
    // Written in place; a path of raw bytes or too long for the buffer form takes an array.
    qsizetype length = path.size() * 3 < kRoom ? encodeFileNameInto(path, l.path) : -1;
    if (length < 0) {
        const QByteArray bytes = encodeFileName(path);
        if (bytes.size() >= kRoom)
            return false;
        std::memcpy(l.path, bytes.constData(), size_t(bytes.size()));
        length = bytes.size();
    }
    l.length = unsigned(length);
    l.beganNs = nowNs();
    l.size = size;
    fence();
    l.state = Creating;
    return true;
}

void WriteSlot::created(const raw::Info &identity)
{
    Layout &l = *layout(file_.data());
    l.device = identity.device;
    l.number = identity.number;
    fence();
    l.state = Writing;
}

void WriteSlot::end()
{
    if (usable())
        layout(file_.data())->state = Idle;
}

} // namespace fd
