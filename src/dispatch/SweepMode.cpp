// The traditional-character sweep: files whose names hold traditional Chinese
// characters (and, on request, files with short base names) are moved to the
// output folder; a given text is stripped from the other names in place.
#include "app/Events.h"
#include "app/TextNumbers.h"
#include "catalogue/Wildcard.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/FileLayer.h"
#include "dispatch/Plan.h"
#include "dispatch/Port.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/Simplified.h"

namespace fd {

namespace {

const QString kTitle = QStringLiteral("消息");

class Sweep {
public:
    Sweep(DispatchRun &run, long long limit, QString strip)
        : run_(run), port_(run.port), limit_(limit), strip_(std::move(strip))
    {
    }

    void run(const QString &in, const QString &out, const QString &extensionPattern)
    {
        // Listed once before anything changes, so a renamed file is not met again.
        QStringList names;
        const QString pattern = QLatin1Char('*') + extensionPattern;
        forEachFileName(in, false, [&](const QString &name) {
            if (listingMatch(pattern, name))
                names.append(name);
            return true;
        });
        if (names.isEmpty())
            return;
        if (!toSimplified(QStringLiteral("資料"))) {
            shell().message(QStringLiteral("繁简转换组件不可用，未移动任何文件。"), kTitle, Icon::Critical, Buttons::Ok);
            return;
        }
        for (const QString &name : names) {
            if (port_.stopRequested()) // the window is closing
                break;
            oneName(in, out, name);
            DoEvents();
        }
        flushTransfers(); // every move on the disk, its source gone, before the report
        run_.log.close();
        // Failed moves are reported, not hidden behind the plain completion message.
        if (fs::planning())
            return;
        if (run_.failureCount > 0)
            CompletionReport(port_, run_.failureCount);
        else
            shell().message(QStringLiteral("文件分发完毕！") + planNote(), kTitle, Icon::Information, Buttons::Ok);
        port_.setTitle(run_.tag());
        shell().openFolder(out);
        run_.folderShown = true;
    }

private:
    void oneName(const QString &in, const QString &out, const QString &name)
    {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString base = dot < 0 ? name : name.left(dot);
        const QString extension = dot < 0 ? QString() : name.mid(dot);
        const QString source = paths::join(in, name);
        if (limit_ > 0 && base.size() <= limit_) {
            move(source, paths::join(out, strippedName(base, extension).value_or(name)));
        } else if (hasTraditional(displayName(name))) { // a GBK name as the list shows it
            move(source, paths::join(out, name));
        } else if (const auto renamed = strippedName(base, extension); renamed && *renamed != name) {
            // Never replaces: a file already holding the new name stays as it is.
            QString target = paths::join(in, *renamed);
            Move(source, target, Clash::Skip);
        }
    }

    // The name without the strip text; nothing when there is none to strip, or when
    // nothing, or a hidden name, would be left.
    std::optional<QString> strippedName(const QString &base, const QString &extension) const
    {
        if (strip_.isEmpty())
            return std::nullopt;
        const QString stripped = QString(base).remove(strip_);
        if (stripped.isEmpty() || stripped.startsWith(QLatin1Char('.')))
            return std::nullopt;
        return stripped + extension;
    }

    void move(const QString &source, const QString &destination)
    {
        QString dst = destination;
        const TransferResult r = Move(source, dst, run_.port.clash());
        if (r.failed) {
            if (!run_.log.isOpen())
                run_.log.open();
            run_.recordFailure(source, dst);
        }
        ++moved_;
        port_.setTitle(run_.tag() + QStringLiteral("  已移动文件数") + QString::number(moved_));
    }

    DispatchRun &run_;
    Port &port_;
    long long limit_;
    QString strip_;
    long long moved_ = 0;
};

class SweepMode : public DispatchMode {
public:
    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        if (stage != Stage::BeforeCatalogue)
            return std::nullopt;
        Port &port = run.port;
        port.lockSweepSwitches();
        long long limit = textnum::wholeValue(shell().input(
            QStringLiteral("同时移动文件名少于等于指定字符数的文件；如指定字符数为<=0则表示忽略"), kTitle,
            QStringLiteral("0")));
        if (limit < 1)
            limit = 0;
        const QString strip = shell().input(
            QStringLiteral("需要将目标文件夹中全简体中文的文件名中的指定字符全部删除吗？如果不指定待删除的字符，"
                           "则忽略删除文件名中指定的字符。"),
            kTitle, QString());
        Sweep(run, limit, strip).run(run.inFolder(), run.outFolder(), port.typeFilter().mid(1));
        return RunEnd::Report;
    }
};

} // namespace

std::unique_ptr<DispatchMode> sweepRule() { return std::make_unique<SweepMode>(); }

} // namespace fd
