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
    Fetch(QObject *parent, const QUrl &url, const QString &dest, int timeoutMs) : QObject(parent), file_(dest)
    {
        nam_ = new QNetworkAccessManager(this);
        if (!downloadAllowed(url) || !file_.open(QIODevice::WriteOnly)) {
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
            // A redirect must meet the same rule as the first address.
            if (downloadAllowed(to))
                emit reply_->redirectAllowed();
            else
                reply_->abort();
        });
        connect(reply_, &QNetworkReply::readyRead, this, [this] {
            if (file_.write(reply_->readAll()) < 0)
                reply_->abort();
        });
        connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 r, qint64 t) {
            if (progress)
                progress(r, t);
        });
        connect(reply_, &QNetworkReply::finished, this, [this] {
            bool ok = reply_->error() == QNetworkReply::NoError;
            const QVariant status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (status.isValid() && status.toInt() != 200)
                ok = false;
            if (ok && file_.write(reply_->readAll()) < 0)
                ok = false;
            finish(ok && file_.commit());
        });
    }

    void abort()
    {
        if (reply_ && reply_->isRunning())
            reply_->abort();
    }

    std::function<void(qint64, qint64)> progress;
    std::function<void(bool)> done;

private:
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

bool downloadFile(const QUrl &url, const QString &dest, const DownloadOptions &options)
{
    QEventLoop loop;
    bool result = false;
    auto *fetch = new Fetch(nullptr, url, dest, options.timeoutMs);
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
    fetch->done = nullptr;
    fetch->deleteLater();
    return result;
}

void fetchInBackground(QObject *owner, const QUrl &url, const QString &dest, int timeoutMs,
                       std::function<void(bool)> done)
{
    auto *fetch = new Fetch(owner, url, dest, timeoutMs);
    fetch->done = [fetch, done = std::move(done)](bool ok) {
        fetch->deleteLater();
        if (done)
            done(ok);
    };
}

} // namespace fd
