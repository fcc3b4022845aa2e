#include "dispatch/FailureLog.h"

#include "dispatch/FileLayer.h"
#include "dispatch/Plan.h"
#include "dispatch/Port.h"
#include "dispatch/Transfer.h"
#include "platform/Paths.h"
#include "platform/NativeName.h"
#include "platform/Places.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"
#include "platform/Shell.h"

#include <QThreadPool>
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

namespace fd {

struct FailureLog::File {
    int fd = -1;
};

FailureLog::FailureLog() = default;
FailureLog::~FailureLog() { close(); }

QString FailureLog::path() { return paths::join(writableDataFolder(), fileName()); }

namespace {
struct ConverterClose {
    void operator()(UConverter *c) const { ucnv_close(c); }
};

// One converter per thread, opened at its first line.
UConverter *gbkConverter()
{
    static thread_local std::unique_ptr<UConverter, ConverterClose> cv = [] {
        UErrorCode st = U_ZERO_ERROR;
        std::unique_ptr<UConverter, ConverterClose> c(ucnv_open("GBK", &st));
        if (U_FAILURE(st))
            return std::unique_ptr<UConverter, ConverterClose>();
        ucnv_setSubstChars(c.get(), "?", 1, &st);
        return c;
    }();
    return cv.get();
}
} // namespace

QByteArray FailureLog::toGbk(const QString &text)
{
    UConverter *cv = gbkConverter();
    if (!cv)
        return text.toLocal8Bit();
    UErrorCode st = U_ZERO_ERROR;
    const auto *src = reinterpret_cast<const UChar *>(text.utf16());
    const int32_t need = ucnv_fromUChars(cv, nullptr, 0, src, int32_t(text.size()), &st);
    QByteArray out;
    if (st == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(st)) {
        st = U_ZERO_ERROR;
        out.resize(need);
        ucnv_fromUChars(cv, out.data(), need, src, int32_t(text.size()), &st);
        if (U_FAILURE(st) && st != U_STRING_NOT_TERMINATED_WARNING)
            out.clear();
    }
    return out;
}

void FailureLog::loadEncodingSoon()
{
    QThreadPool::globalInstance()->start([] { toGbk(QStringLiteral("分")); });
}

void FailureLog::open()
{
    close();
    if (fs::planning()) // a plan writes nothing
        return;
    const int fd = raw::createTruncated(path());
    if (fd < 0)
        return;
    file_ = std::make_unique<File>();
    file_->fd = fd;
    if (TransferSession *t = TransferSession::current())
        t->protect(path()); // a run never moves its own log away
    writeLine(QStringLiteral("分发失败记录列表详情："));
}

bool FailureLog::isOpen() const { return file_ != nullptr; }

void FailureLog::writeLine(const QString &line)
{
    if (!file_)
        return;
    // Written at once, unbuffered: a run that ends abnormally still leaves its lines.
    const QByteArray bytes = toGbk(line) + QByteArrayLiteral("\r\n");
    for (qsizetype done = 0; done < bytes.size();) {
        const long long n = raw::write(file_->fd, bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            break; // a full disk loses the line; the count goes on
        done += qsizetype(n);
    }
}

void FailureLog::add(const QString &source, const QString &destination)
{
    // Names that are not UTF-8 appear in GBK when they were GBK, else with "?".
    writeLine(logName(source) + QStringLiteral("  →  ") + logName(destination));
}

void FailureLog::close()
{
    if (file_) {
        raw::close(file_->fd);
        file_.reset();
    }
}

void CompletionReport(const Port &port, int failureCount)
{
    if (fs::planning())
        return;
    // Timed runs count their failures too: they are reported like any run's.
    if (failureCount != 0) {
        shell().message(QStringLiteral("分发完毕！因文件访问错误，分发失败") + QString::number(failureCount)
                            + QStringLiteral("份。\r\n稍候请参见分发失败的记录。") + planNote(),
                        QStringLiteral("消息"), Icon::Information, Buttons::Ok);
        shell().showFileSelected(FailureLog::path());
    } else {
        shell().message(QStringLiteral("分发完毕！") + planNote(), QStringLiteral("消息"), Icon::Information,
                        Buttons::Ok);
        raw::remove(FailureLog::path());
    }
}

} // namespace fd
