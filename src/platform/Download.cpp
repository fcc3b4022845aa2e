#include "platform/Download.h"

#include <QDir>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>

#ifndef FDISPATCH_DOWNLOAD_LIMIT_MIB
#define FDISPATCH_DOWNLOAD_LIMIT_MIB 512
#endif

namespace fd {

namespace {

bool isLoopback(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress a(host);
    return !a.isNull() && a.isLoopback();
}

// One fetch of one file: streams the reply into a save file that is committed
// only when the whole body arrived without error.
class Fetch : public QObject {
public:
    Fetch(QObject *parent, const QUrl &url, const QString &dest, int timeoutMs, qint64 maxBytes)
        : QObject(parent), file_(dest), origin_(url), maxBytes_(maxBytes), timeoutMs_(timeoutMs)
    {
        nam_ = new QNetworkAccessManager(this);
        if (!downloadAllowed(url))
            why_ = QStringLiteral("更新地址不安全（只接受 HTTPS）：") + url.toDisplayString();
        else if (!file_.open(QIODevice::WriteOnly))
            why_ = QStringLiteral("无法写入 ") + dest + QStringLiteral("：") + file_.errorString();
        if (!why_.isEmpty()) {
            QTimer::singleShot(0, this, [this] { finish(false); });
            return;
        }
        if (isLoopback(url.host()))
            nam_->setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest req(url);
        req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        req.setRawHeader("Cache-Control", "no-cache");
        req.setRawHeader("Pragma", "no-cache");
        req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
        req.setTransferTimeout(timeoutMs);
        reply_ = nam_->get(req);
        connect(reply_, &QNetworkReply::redirected, this, [this](const QUrl &to) {
            const QUrl target = reply_->url().resolved(to);
            if (redirectAllowed(origin_, target))
                emit reply_->redirectAllowed();
            else
                fail(QStringLiteral("更新地址被转向到不安全的地址：") + target.toDisplayString());
        });
        connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
            const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > maxBytes_)
                fail(tooLarge());
        });
        connect(reply_, &QNetworkReply::readyRead, this, [this] { store(); });
        connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 r, qint64 t) {
            if (progress)
                progress(r, t);
        });
        connect(reply_, &QNetworkReply::finished, this, [this] {
            if (why_.isEmpty())
                store();
            const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (why_.isEmpty() && status.isValid() && status.toInt() != 200)
                why_ = QStringLiteral("服务器回答 ") + QString::number(status.toInt()) + QLatin1Char(' ')
                    + reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
            if (why_.isEmpty() && reply_->error() != QNetworkReply::NoError) {
                // The transfer timeout ends a reply as cancelled, like an abort.
                why_ = reply_->error() == QNetworkReply::OperationCanceledError
                    ? QStringLiteral("服务器在 %1 秒内没有回应").arg(timeoutMs_ / 1000)
                    : QStringLiteral("网络错误：") + reply_->errorString();
            }
            if (why_.isEmpty() && !file_.commit())
                why_ = QStringLiteral("无法写入 ") + file_.fileName() + QStringLiteral("：") + file_.errorString();
            finish(why_.isEmpty());
        });
    }

    void abort() { fail(QStringLiteral("下载已取消")); }
    QString why() const { return why_; }


    std::function<void(qint64, qint64)> progress;
    std::function<void(bool)> done;

private:
    // Ends the fetch with the first reason given.
    void fail(const QString &why)
    {
        if (why_.isEmpty())
            why_ = why;
        if (reply_ && reply_->isRunning())
            reply_->abort();
    }

    QString tooLarge() const
    {
        return QStringLiteral("下载的文件超过大小上限 %1 MiB").arg(maxBytes_ / (1024 * 1024));
    }

    // Counts what arrived against the limit, which a server that sends no
    // length or a wrong one cannot pass either.
    void store()
    {
        const QByteArray data = reply_->readAll();
        received_ += data.size();
        if (received_ > maxBytes_)
            fail(tooLarge());
        else if (file_.write(data) != data.size())
            fail(QStringLiteral("无法写入 ") + file_.fileName() + QStringLiteral("：") + file_.errorString());
    }

    void finish(bool ok)
    {
        if (finished_)
            return;
        finished_ = true;
        if (!ok)
            file_.cancelWriting();
        if (done)
            done(ok);
    }

    QNetworkAccessManager *nam_ = nullptr;
    QNetworkReply *reply_ = nullptr;
    QSaveFile file_;
    const QUrl origin_;
    const qint64 maxBytes_;
    const int timeoutMs_;
    qint64 received_ = 0;
    QString why_;
    bool finished_ = false;
};

} // namespace

bool downloadAllowed(const QUrl &url)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https") || url.isLocalFile())
        return true;
    return scheme == QLatin1String("http") && isLoopback(url.host());
}

bool redirectAllowed(const QUrl &from, const QUrl &to)
{
    if (!to.isValid())
        return false;
    const QString scheme = to.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return true;
    return scheme == QLatin1String("http") && from.scheme().toLower() == QLatin1String("http")
        && isLoopback(from.host()) && to.host().compare(from.host(), Qt::CaseInsensitive) == 0
        && to.port(80) == from.port(80);
}

qint64 downloadLimit() { return qint64(FDISPATCH_DOWNLOAD_LIMIT_MIB) * 1024 * 1024; }

QUrl updateFileUrl(const QString &location, const QString &fileName)
{
    const QUrl base(location);
    if (base.scheme().isEmpty() || (QDir::isAbsolutePath(location) && base.scheme().size() == 1))
        return QUrl::fromLocalFile(QDir(location).filePath(fileName)); // a plain folder
    QString s = location;
    if (!s.endsWith(QLatin1Char('/')))
        s += QLatin1Char('/');
    return QUrl(s + QString::fromUtf8(QUrl::toPercentEncoding(fileName)));
}

bool downloadFile(const QUrl &url, const QString &dest, const DownloadOptions &options, QString *why)
{
    QEventLoop loop;
    bool result = false;
    auto *fetch = new Fetch(nullptr, url, dest, options.timeoutMs, options.maxBytes);
    fetch->progress = options.progress;
    fetch->done = [&](bool ok) {
        result = ok;
        loop.quit();
    };
    QTimer poll;
    if (options.stop) {
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (options.stop())
                fetch->abort();
        });
        poll.start(50);
    }
    loop.exec();
    poll.stop();
    if (why)
        *why = result ? QString() : fetch->why();
    fetch->done = nullptr;
    fetch->deleteLater();
    return result;
}

void fetchInBackground(QObject *owner, const QUrl &url, const QString &dest, int timeoutMs,
                       std::function<void(bool)> done)
{
    auto *fetch = new Fetch(owner, url, dest, timeoutMs, downloadLimit());
    fetch->done = [fetch, done = std::move(done)](bool ok) {
        fetch->deleteLater();
        if (done)
            done(ok);
    };
}

} // namespace fd
