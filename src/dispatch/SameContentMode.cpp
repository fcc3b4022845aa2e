// Same-content dispatch: every file of the input folder goes into each existing
// subfolder of the listed output folders whose name yields the same first
// regular-expression match as the file's base name.
#include "catalogue/FileList.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/Pace.h"
#include "dispatch/Port.h"
#include "outputs/Walk.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RegexMatcher.h"
#include "platform/Shell.h"

#include <QHash>

#include <algorithm>

namespace fd {

namespace {

const QString kTitle = QStringLiteral("消息");

// The text of the first match; an empty match is no shared content.
QString firstMatch(const RegexMatcher &m, const QString &subject)
{
    const auto r = m.execute(subject);
    return !r.ok() || r.value().isEmpty() ? QString() : r.value().first().value;
}

// The qualifying subfolders of one output folder, by key, in listing order. Read
// once per pass: listing every output folder again for each file would make a
// pass over many files and folders quadratic.
using SubfolderIndex = QHash<QString, QStringList>;

SubfolderIndex indexSubfolders(const RegexMatcher &m, QString folder)
{
    if (paths::isRoot(folder))
        folder = paths::withTrailingSep(folder);
    SubfolderIndex index;
    for (const QString &sub : subfoldersOf(folder)) {
        const QString key = firstMatch(m, paths::lastComponent(sub));
        if (!key.isEmpty())
            index[key].append(sub);
    }
    return index;
}

// Files directly in the folder, hidden ones included, in name order.
QStringList inputNames(const QString &folder)
{
    QStringList names;
    if (const auto entries = raw::listFolder(folder))
        for (const raw::Entry &e : *entries)
            if (e.kind == raw::Kind::File)
                names.append(e.name);
    sortInListOrder(names);
    return names;
}

bool passesFilter(const QString &extension, const QString &filter)
{
    if (filter == QLatin1String("*.*"))
        return true;
    return !extension.isEmpty() && filter.toLower().contains(extension);
}

class SameContentPass {
public:
    explicit SameContentPass(DispatchRun &run) : run_(run), port_(run.port) {}

    void run()
    {
        matcher_.setPattern(port_.sameContentPattern());
        matcher_.setIgnoreCase(port_.ignoreCase());
        matcher_.setMultiLine(false);
        // Only the first match counts; the rest need not be collected.
        matcher_.setGlobal(false);
        if (!matcher_.isValid())
            return; // refused before the run started; the text may have changed since
        for (const OutputFolder &f : port_.outputFolders())
            index_.append(indexSubfolders(matcher_, f.path));

        const QString in = run_.inFolder();
        for (const QString &name : inputNames(paths::isRoot(in) ? paths::withTrailingSep(in) : in)) {
            if (port_.stopRequested()) // the window is closing
                return;
            oneFile(in, name);
        }
        port_.showOutputRow(0);
    }

private:
    void oneFile(const QString &in, const QString &name)
    {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString base = dot < 0 ? name : name.left(dot);
        const QString extension = dot < 0 ? QString() : name.mid(dot).toLower();
        if (!passesFilter(extension, port_.typeFilter()))
            return;
        const QString key = firstMatch(matcher_, base);
        if (key.isEmpty())
            return;
        const QString source = paths::join(in, name);
        bool delivered = false;
        // The grid shows the row being worked on only when the window will paint it;
        // between turns nobody sees it move.
        for (int row = 1; row - 1 < index_.size(); ++row) {
            if (pace::due())
                port_.showOutputRow(row);
            deliver(row, key, source, name, delivered);
            pace::ifDue();
        }
        if (delivered)
            ++counter_;
        if (pace::due())
            port_.showOutputRow(0);
        pace::ifDue();
        if (delivered && run_.moving())
            ReleaseSource(source);
    }

    void deliver(int row, const QString &key, const QString &source, const QString &name, bool &delivered)
    {
        const int folders = int(index_.size());
        for (const QString &sub : index_[row - 1].value(key)) {
            // The title is only set when the window will paint it.
            if (pace::due())
                port_.setTitle(run_.tag() + QStringLiteral("  正在文件分发中...已分发") + QString::number(counter_)
                              + QStringLiteral("；") + QString::number(row) + QLatin1Char('/')
                              + QString::number(folders));
            const QString wanted = paths::join(sub, name);
            QString dst = wanted;
            TransferResult r = run_.transfer(source, dst);
            while (r.gaveUpAtFullDisk
                   && shell().message(paths::volumeOf(sub) + QStringLiteral("磁盘空间不足，请释放空间后重试分发！"),
                                      kTitle, Icon::Critical, Buttons::RetryCancel, Answer::Retry)
                          == Answer::Retry) {
                dst = wanted;
                r = run_.transfer(source, dst);
            }
            if (r.failed) {
                run_.recordFailure(source, dst);
                if (r.gaveUpAtFullDisk)
                    return; // the rest of this folder's subfolders are skipped
            } else if (r.copied) {
                delivered = true;
            }
            pace::ifDue();
        }
    }

    DispatchRun &run_;
    Port &port_;
    RegexMatcher matcher_;
    QVector<SubfolderIndex> index_; // one per output row, from row 1
    long long counter_ = 1;
};

class SameContentMode : public DispatchMode {
public:
    bool scansInput() const override { return false; }

    bool readyToStart(Port &port) override
    {
        port.settleSameContentPattern();
        RegexMatcher m(port.sameContentPattern(), port.ignoreCase());
        if (m.isValid())
            return true;
        shell().message(QStringLiteral("正则表达式有误，请修改后再分发！"), kTitle, Icon::Critical, Buttons::Ok);
        port.focusSameContentPattern();
        return false;
    }

    // The pass reads the input folder itself, once, whatever the file count says.
    std::optional<RunEnd> replaceRun(DispatchRun &run, Stage stage) override
    {
        if (stage != Stage::InsteadOfPasses)
            return std::nullopt;
        run.lastIndex = qMax(run.lastIndex, 0LL);
        run.failureCount = 0;
        run.log.open();
        run.progress(0, QStringLiteral("  正在复制..."));
        pace::now();
        SameContentPass(run).run();
        if (run.port.stopRequested()) { // the window is closing
            run.stopped = true;
            return RunEnd::CloseLog;
        }
        pace::now();
        return RunEnd::Report;
    }
};

} // namespace

std::unique_ptr<DispatchMode> sameContentRule() { return std::make_unique<SameContentMode>(); }

} // namespace fd
