#pragma once
// Fetching files from the update location with Qt Network. Caches are bypassed,
// a file appears at its destination only when complete, and only HTTPS, local
// files and HTTP to this machine are accepted.
#include <QString>
#include <QUrl>
#include <functional>

class QObject;

namespace fd {

bool downloadAllowed(const QUrl &url);
// The address of a file in the update location (a URL or a local folder).
QUrl updateFileUrl(const QString &location, const QString &fileName);

struct DownloadOptions {
    int timeoutMs = 30000; // without any data for this long the fetch fails
    std::function<void(qint64 received, qint64 total)> progress; // total -1 when unknown
    std::function<bool()> stop; // asked now and then; true aborts the fetch
};

// Fetches url into dest while the window goes on processing its messages.
// False on any failure; dest is then left as it was.
bool downloadFile(const QUrl &url, const QString &dest, const DownloadOptions &options = {});

// Starts a fetch that runs on its own; done(ok) is called once unless owner is
// destroyed first, which also aborts the fetch.
void fetchInBackground(QObject *owner, const QUrl &url, const QString &dest, int timeoutMs,
                       std::function<void(bool ok)> done);

} // namespace fd
