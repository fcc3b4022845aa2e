// The catalogue scan: one folder's matching files with their attributes, order keys
// and picture data go into the catalogue.
#include "catalogue/Scan.h"
#include "app/TextNumbers.h"

#include "app/FDispatch.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/CatalogueText.h"
#include "catalogue/CustomDispatch.h"
#include "catalogue/ImageMetadata.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/RegexMatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QRadioButton>

#include <cmath>

namespace fd {

namespace {


const QString kFailedPhotoDate = QStringLiteral("000-00-00 00:00:00");

// The directory entries the scan reads: plain files, hidden ones included. On
// Linux devices, pipes and sockets are left out: opening a pipe would block the scan.
QFileInfoList folderFiles(const QString &folder)
{
    QDir::Filters filters = QDir::Files | QDir::Hidden;
#ifdef Q_OS_WIN
    filters |= QDir::System;
#endif
    return QDir(folder).entryInfoList(filters, QDir::Name | QDir::IgnoreCase);
}

void showProgress(FDispatch &w, long long n)
{
    const QString count = w.LFiles->caption();
    const double total = textnum::valueOf(count);
    if (!w.ChProg->isChecked()) {
        QString title = w.windowTag() + QStringLiteral("   目标文件读取中...") + QString::number(qint64(n));
        if (total != 0)
            title += QLatin1Char('/') + count;
        w.setWindowTitle(title);
    } else if (total != 0) {
        const double percent = double(n) * 100.0 / total;
        if (percent >= 0 && percent <= 100)
            w.P1->setValue(int(std::nearbyint(percent)));
    }
}

} // namespace


void ScanFolder(FDispatch &w, const QString &folderIn)
{
    const bool custom = w.customOnlyMode();
    QStringList entries;
    if (custom) {
        entries = w.cat.customSubfolders.split(QLatin1Char('\t'));
        entries.removeLast(); // the piece after the last tab
    }
    long long placed = 0;

    RegexMatcher number(fileNumberPattern());
    number.setGlobal(true); // all matches, so the last one can count

    if (folderIn.isEmpty())
        return;
    const QString folder = paths::withTrailingSep(folderIn);
    if (!QFileInfo(folder).isDir())
        return;

    const QFileInfoList files = folderFiles(folder);
    for (const QFileInfo &fi : files) {
        if (w.stopRequested) // the window is closing
            break;
        try {
            const QString name = fi.fileName();
            const QString path = folder + name;
            const QString type = typeKey(path);
            if (type.isEmpty() || !passesTypeFilter(type, w.Combo1->currentText())) {
                DoEvents();
                continue;
            }
            if (custom) {
                CustomDispatchFile(w, entries, path, placed);
                DoEvents();
                continue;
            }

            const bool sequential = w.ChNum->isChecked();
            const bool numeric = w.ChN->isChecked();
            if (sequential && numeric && w.cat.runList.size() <= qsizetype(w.cat.count)) {
                const qsizetype needed = qsizetype(w.cat.count) + 1;
                if (w.cat.runList.capacity() < needed) // grow by doubling: one entry per file stays linear
                    w.cat.runList.reserve(qMax(needed, 2 * w.cat.runList.capacity()));
                w.cat.runList.resize(needed);
            }
            w.cat.count += 1;
            const long long n = w.cat.count;
            const qsizetype index = qsizetype(n) - 1;

            if (sequential) {
                QString key = QStringLiteral("0");
                QString column7 = paddedNumber(QStringLiteral("0"), 17);
                if (numeric) {
                    const QString num = fileNumberText(name, number);
                    key = paddedNumber(num, 9);
                    column7 = paddedNumber(num, 17);
                }
                const ImageSize size = ReadImageSize(path);
                CatalogueModel::Row row;
                row[0] = name;
                row[1] = sizeText(fi.size());
                row[2] = type;
                row[3] = dateTimeText(fi.lastModified());
                row[4] = ReadPhotoDate(path).value_or(kFailedPhotoDate);
                row[5] = imageSizeText(size.width, size.height);
                row[6] = column7;
                row[7] = folder;
                w.catalogue->addRow(row);
                if (index < w.cat.runList.size())
                    w.cat.runList[index] = RunEntry{path, key};
            } else {
                const double total = textnum::valueOf(w.LFiles->caption());
                const QString key = QString::number(qint64(std::floor(total * rnd())));
                if (index < w.cat.runList.size())
                    w.cat.runList[index] = RunEntry{path, key};
            }

            w.cat.pathList += path;
            w.cat.pathList += QChar(0);

            showProgress(w, n);
            if (textnum::valueOf(w.LFiles->caption()) < double(n))
                w.LFiles->setCaption(QString::number(qint64(n)));
            if (n % 1000 == 0) {
                DoEvents();
                PauseSeconds(1.0f);
            }
        } catch (...) {
            // A file that cannot be read is skipped; the scan goes on.
        }
        DoEvents();
    }
}

} // namespace fd
