#pragma once
// Fetching files from the update location with Qt Network. Caches are bypassed,
// a file appears at its destination only when complete, and only HTTPS, local
// files and HTTP to this machine are accepted; a redirect must lead to HTTPS.
#include <QString>
#include <QUrl>
#include <functional>

class QObject;

namespace fd {

bool downloadAllowed(const QUrl &url);
// Whether a fetch of from may follow a redirect to to: HTTPS, or plain HTTP only
// within the local server that from itself names.
bool redirectAllowed(const QUrl &from, const QUrl &to);
// The largest file a download may bring (a build setting).
qint64 downloadLimit();
// The address of a file in the update location (a URL or a local folder).
QUrl updateFileUrl(const QString &location, const QString &fileName);

struct DownloadOptions {
    int timeoutMs = 30000; // without any data for this long the fetch fails
    qint64 maxBytes = downloadLimit(); // a larger file fails
    std::function<void(qint64 received, qint64 total)> progress; // total -1 when unknown
    std::function<bool()> stop; // asked now and then; true aborts the fetch
};

// Fetches url into dest while the window goes on processing its messages.
// False on any failure, with the reason for the user in why; dest is then left
// as it was.
bool downloadFile(const QUrl &url, const QString &dest, const DownloadOptions &options = {},
                  QString *why = nullptr);

// Starts a fetch that runs on its own; done(ok) is called once unless owner is
// destroyed first, which also aborts the fetch.
void fetchInBackground(QObject *owner, const QUrl &url, const QString &dest, int timeoutMs,
                       std::function<void(bool ok)> done);

} // namespace fd
