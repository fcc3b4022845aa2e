// Same-content dispatch: every file of the input folder goes into each existing
// subfolder of the listed output folders whose name yields the same first
// regular-expression match as the file's base name.
#include "app/FDispatch.h"
#include "dispatch/DispatchRun.h"
#include "outputs/FlexGrid.h"
#include "outputs/Walk.h"
#include "platform/Paths.h"
#include "platform/RawDir.h"
#include "platform/RawFile.h"
#include "dispatch/Pace.h"
#include "platform/RegexMatcher.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QHash>
#include <QPushButton>

#include <algorithm>

namespace fd {

namespace {

const QString kTitle = QStringLiteral("消息");

// The list item stands for the mobile-number expression; typed text is the expression.
QString sameContentPattern(const FDispatch &w)
{
    const QString text = w.CmbSame->currentText();
    if (w.CmbSame->count() > 0 && text == w.CmbSame->itemText(0))
        return QStringLiteral("\\d{11}");
    return text;
}

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
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
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
    explicit SameContentPass(DispatchRun &run) : run_(run), w_(run.w) {}

    void run()
    {
        matcher_.setPattern(sameContentPattern(w_));
        matcher_.setIgnoreCase(w_.ChOmit->isChecked());
        matcher_.setMultiLine(false);
        // Only the first match counts; the rest need not be collected.
        matcher_.setGlobal(false);
        if (!matcher_.isValid())
            return; // refused before the run started; the text may have changed since
        FlexGrid *g = w_.MSFlexGrid1;
        for (int row = 1; row < g->rows(); ++row)
            index_.append(indexSubfolders(matcher_, g->textMatrix(row, 0)));

        const QString in = run_.inFolder();
        for (const QString &name : inputNames(paths::isRoot(in) ? paths::withTrailingSep(in) : in)) {
            if (w_.stopRequested) // the window is closing
                return;
            oneFile(in, name);
        }
    }

private:
    void oneFile(const QString &in, const QString &name)
    {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const QString base = dot < 0 ? name : name.left(dot);
        const QString extension = dot < 0 ? QString() : name.mid(dot).toLower();
        if (!passesFilter(extension, w_.Combo1->currentText()))
            return;
        const QString key = firstMatch(matcher_, base);
        if (key.isEmpty())
            return;
        FlexGrid *g = w_.MSFlexGrid1;
        const QString source = paths::join(in, name);
        bool delivered = false;
        for (int row = 1; row < g->rows() && row - 1 < index_.size(); ++row) {
            g->setCurrentCell(row - 1, 0);
            if (row - 8 >= 1)
                g->setTopRow(row - 8);
            deliver(row, key, source, name, delivered);
            pace::ifDue();
        }
        if (delivered)
            ++counter_;
        pace::ifDue();
        if (g->rows() > 1) {
            g->setCurrentCell(0, 0);
            g->setTopRow(1);
        }
        if (delivered && run_.moving())
            raw::remove(source); // a failing deletion leaves the file
    }

    void deliver(int row, const QString &key, const QString &source, const QString &name, bool &delivered)
    {
        const int folders = w_.MSFlexGrid1->rows() - 1;
        for (const QString &sub : index_[row - 1].value(key)) {
            // The title is only set when the window will paint it.
            if (pace::due())
                w_.setWindowTitle(run_.tag() + QStringLiteral("  正在文件分发中...已分发") + QString::number(counter_)
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
    FDispatch &w_;
    RegexMatcher matcher_;
    QVector<SubfolderIndex> index_; // one per output row, from row 1
    long long counter_ = 1;
};

class SameContentMode : public DispatchMode {
public:
    bool scansInput() const override { return false; }

    bool readyToStart(FDispatch &w) override
    {
        // A button shortcut leaves the focus in the box: the text is checked as if it had left.
        if (w.CmbSame->hasFocus())
            w.CmbSame_Validate();
        RegexMatcher m(sameContentPattern(w), w.ChOmit->isChecked());
        if (m.isValid())
            return true;
        shell().message(QStringLiteral("正则表达式有误，请修改后再分发！"), kTitle, Icon::Critical, Buttons::Ok);
        w.CmbSame->setFocus();
        return false;
    }

    QString firstPassPhrase(const DispatchRun &) const override { return QStringLiteral("  读取原文件中："); }
    QString secondPassPhrase(const DispatchRun &) const override { return QStringLiteral("  正在复制..."); }

    // The pass reads the folder itself: it runs once, whatever the file count says.
    void prepare(DispatchRun &run) override { run.lastIndex = qMax(run.lastIndex, 0LL); }

    bool dispatchOne(DispatchRun &run, const QString &, long long) override
    {
        run.lastTransferOk = false; // the pass deletes its own sources
        if (!done_) {
            done_ = true;
            SameContentPass(run).run();
        }
        return true;
    }

private:
    bool done_ = false;
};

// Focus leaving CmbSame within the window runs its validation.
class CmbSameFilter : public QObject {
public:
    explicit CmbSameFilter(FDispatch &w) : QObject(&w), w_(w) {}
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o == w_.CmbSame && e->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent *>(e)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                w_.CmbSame_Validate();
        }
        return false;
    }

private:
    FDispatch &w_;
};

} // namespace

std::unique_ptr<DispatchMode> sameContentRule() { return std::make_unique<SameContentMode>(); }

void FDispatch::wireSameContent()
{
    connect(ChSame, &QCheckBox::toggled, this, [this] { ChSame_Click(); });
    CmbSame->installEventFilter(new CmbSameFilter(*this));
}

void FDispatch::ChSame_Click()
{
    const bool on = ChSame->isChecked();
    CmbSame->setEnabled(on);
    CmdRex2->setEnabled(on);
    if (on) {
        ChInClude->setChecked(false);
        ChFoldTrunck->setChecked(false);
        ChOverLay->setChecked(false);
        ChCustom->setChecked(false);
        ChSubFold->setChecked(false);
        ChSubFold->setEnabled(false);
        ChRndTime->setChecked(false);
        ChRndTime->setEnabled(false);
    } else {
        ChRndTime->setEnabled(true);
        ChSubFold->setEnabled(true);
    }
}

void FDispatch::CmbSame_Validate()
{
    QString text = CmbSame->currentText();
    text.remove(QStringLiteral("\\|")); // an escaped bar is a literal one
    if (!text.contains(QLatin1Char('|')))
        return;
    shell().message(QStringLiteral("正则表达式中不允许含有独立的|字符！"), kTitle, Icon::Critical, Buttons::Ok);
    CmbSame->setCurrentIndex(0);
    CmbSame->setEditText(CmbSame->itemText(0));
}

} // namespace fd
