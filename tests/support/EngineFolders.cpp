#include "EngineFolders.h"

#include "app/Events.h"
#include "catalogue/InputFolder.h"
#include "dispatch/DispatchRun.h"
#include "dispatch/Rules.h"
#include "dispatch/RunJournal.h"

#include <QDir>
#include <QTest>

namespace fd::test {

void EngineFolders::openFolders()
{
    dir = std::make_unique<QTemporaryDir>();
    in = dir->filePath(QStringLiteral("in"));
    out = dir->filePath(QStringLiteral("out"));
    QDir().mkpath(in);
    QDir().mkpath(out);
    journalDir = std::make_unique<QTemporaryDir>();
    RunJournal::setFolder(journalDir->path()); // each test undoes only its own runs
    fx = std::make_unique<EngineFixture>();
    port().current = QStringLiteral("FD"); // the window title before a run
}

void EngineFolders::closeFolders()
{
    setPauseHook({});
    setTransferPieceHook({});
    fx.reset();
    RunJournal::setFolder({});
    journalDir.reset();
    dir.reset();
}

void EngineFolders::useFolders()
{
    port().in = in;
    port().out = out;
    port().files.setPattern(listingPatternFor(port().filter));
    port().files.setPath(in);
    port().count = QString::number(port().files.listCount());
}

QString EngineFolders::numbered(int n) { return numberedFolder(out, relativePart(in, port().lastFolderOnly), n); }

void EngineFolders::run()
{
    fx->shell.answerMessage(Answer::Ok);
    DispatchRun(port()).execute();
}

QString EngineFolders::lastMessage() const
{
    const ShellCall *c = fx->shell.last(CallKind::Message);
    return c ? c->text : QString();
}

void EngineFolders::expectNothingLost(const Inventory &before, const QStringList &outputs)
{
    const QStringList lost = before.lostAfter(outputs.isEmpty() ? QStringList{out} : outputs);
    QVERIFY2(lost.isEmpty(), qPrintable(lost.join(QLatin1Char('\n'))));
}

} // namespace fd::test
