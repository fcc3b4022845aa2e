// The input folder: the picker button with its refusals, dropped folders, the
// count of matching files and the hidden-files switch, on real folders.
#include "Fixture.h"
#include "catalogue/FileList.h"
#include "catalogue/InputFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

using namespace fd;
using namespace fd::test;

class TstInputFolder : public QObject {
    Q_OBJECT

    // Drags the URLs over LDir and drops them, as the desktop shell does.
    static void dropOn(QWidget *target, const QList<QUrl> &urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint pos = target->rect().center();
        QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(pos), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
    }

private slots:
    void countStaysZeroUntilATrigger()
    {
        WindowFixture f;
        QVERIFY(writeFile(f.programDir.path() + "/a.txt", "x"));
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("0"));
        QCOMPARE(f.w().LFilename->caption(), tagOf(f.w().LFilename));
    }

    void pickerSetsTheFolder()
    {
        WindowFixture f;
        QTemporaryDir in;
        for (const char *n : {"b.jpg", "A.JPG", "c.png"})
            QVERIFY(writeFile(in.path() + "/" + n, "x"));
        QVERIFY(QDir().mkpath(in.path() + "/sub.jpg"));
        QVERIFY(writeFile(in.path() + "/sub.jpg/d.jpg", "x"));
        f.w().Combo1->setEditText(QStringLiteral("*.jpg"));
        f.w().cat.splitPaths = {QStringLiteral("old")};
        setTag(f.w().CmdDown, QStringLiteral("4"));

        f.shell.answerFolder(in.path() + "/");
        f.w().CmdIn->click();

        const ShellCall *pick = f.shell.last(CallKind::Folder);
        QVERIFY(pick);
        QCOMPARE(pick->title, QStringLiteral("选择输出目录："));
        QCOMPARE(pick->defaultText, QStringLiteral("/"));
        QVERIFY(!pick->newStyle);
        QCOMPARE(f.w().LDir->caption(), in.path());
        // Folders and other folders' files are not counted; case does not matter.
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("2"));
        QCOMPARE(f.w().File1->path(), in.path());
        QCOMPARE(f.w().LFilename->caption(), QStringLiteral("A.JPG"));
        QVERIFY(f.w().cat.splitPaths.isEmpty());
        QCOMPARE(tagOf(f.w().CmdDown), QStringLiteral("0"));
        QCOMPARE(tagOf(f.w().CmdUp), QStringLiteral("0"));
    }

    void pickerCancelChangesNothing()
    {
        WindowFixture f;
        const QString before = f.w().LDir->caption();
        f.shell.answerFolder(QString());
        f.w().CmdIn->click();
        QCOMPARE(f.w().LDir->caption(), before);
        QCOMPARE(f.shell.count(CallKind::Message), 0);
    }

    void pickerRefusesAndReopens()
    {
        WindowFixture f;
        QTemporaryDir good;
        QVERIFY(QDir().mkpath(good.path() + "/{virtual}"));
        // A path with "{" stands for a virtual shell location.
        f.shell.answerFolder(good.path() + "/{virtual}");
        f.shell.answerMessage(Answer::Ok);
        // A folder that does not open: the picker falls back to the work folder,
        // which is gone here, so the probe refuses it.
        f.w().startup.workFolder = good.path() + "/gone/";
        f.shell.answerFolder(good.path() + "/missing");
        f.shell.answerMessage(Answer::Ok);
        f.shell.answerFolder(good.path());
        f.w().CmdIn->click();

        QCOMPARE(f.shell.count(CallKind::Folder), 3);
        const auto msgs = f.shell.ofKind(CallKind::Message);
        QCOMPARE(msgs.size(), 2);
        for (const ShellCall &m : msgs) {
            QCOMPARE(m.text, QStringLiteral("该目录不可用，请重新指定。"));
            QCOMPARE(m.title, QStringLiteral("警告"));
            QCOMPARE(m.icon, Icon::Critical);
            QCOMPARE(m.buttons, Buttons::Ok);
        }
        QCOMPARE(f.w().LDir->caption(), good.path());
    }

    void vanishedOldFolderDoesNotBlockANewOne()
    {
        WindowFixture f;
        auto *old = new QTemporaryDir;
        QTemporaryDir next;
        f.shell.answerFolder(old->path());
        f.w().CmdIn->click();
        QCOMPARE(f.w().LDir->caption(), old->path());
        delete old; // the current input folder disappears
        f.shell.answerFolder(next.path());
        f.w().CmdIn->click();
        QCOMPARE(f.shell.count(CallKind::Message), 0);
        QCOMPARE(f.w().LDir->caption(), next.path());
    }

    void vanishedFolderCountsZero()
    {
        WindowFixture f;
        auto *in = new QTemporaryDir;
        QVERIFY(writeFile(in->path() + "/a.txt", "x"));
        const QString path = in->path();
        f.w().LDir->setCaption(path);
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("1"));
        delete in;
        f.w().LDir_Change();
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("0"));
        QCOMPARE(f.w().LFilename->caption(), tagOf(f.w().LFilename));
    }

    void droppedFileOnlyBeeps()
    {
        WindowFixture f;
        QTemporaryDir in;
        QVERIFY(writeFile(in.path() + "/a.txt", "x"));
        const QString before = f.w().LDir->caption();
        dropOn(f.w().LDir, {QUrl::fromLocalFile(in.path() + "/a.txt")});
        QCOMPARE(f.shell.count(CallKind::Beep), 1);
        QCOMPARE(f.w().LDir->caption(), before);
    }

    void droppedFolderAfterAFileIsTaken()
    {
        WindowFixture f;
        QTemporaryDir in;
        QVERIFY(writeFile(in.path() + "/a.txt", "x"));
        QVERIFY(QDir().mkpath(in.path() + "/one"));
        QVERIFY(QDir().mkpath(in.path() + "/two"));
        QVERIFY(writeFile(in.path() + "/one/b.txt", "x"));
        dropOn(f.w().LDir, {QUrl::fromLocalFile(in.path() + "/a.txt"), QUrl::fromLocalFile(in.path() + "/one/"),
                            QUrl::fromLocalFile(in.path() + "/two")});
        QCOMPARE(f.shell.count(CallKind::Beep), 0);
        QCOMPARE(f.w().LDir->caption(), in.path() + "/one");
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("1"));
    }

    void hiddenFilesCountOnlyWithTheSwitch()
    {
        WindowFixture f;
        QTemporaryDir in;
        for (const char *n : {"a.txt", ".b.txt", ".hidden"})
            QVERIFY(writeFile(in.path() + "/" + n, "x"));
        f.w().LDir->setCaption(in.path());
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("1"));
        QCOMPARE(f.w().File1->listCount(), 1);

        f.w().CmdDo->setEnabled(false);
        f.w().ChHide->click();
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("3"));
        QCOMPARE(f.w().File1->names(), (QStringList{".b.txt", ".hidden", "a.txt"}));
        QVERIFY(!f.w().CmdDo->isEnabled()); // its state survives the recount

        f.w().Combo1->setEditText(QStringLiteral("*.txt"));
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("2"));
        f.w().ChHide->click();
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("1"));
        QCOMPARE(f.w().File1->names(), QStringList{QStringLiteral("a.txt")});
    }

    void rootFolderCounts()
    {
        WindowFixture f;
        f.w().Combo1->setEditText(QStringLiteral("*.nonexistent-ext"));
        f.w().LDir->setCaption(QStringLiteral("/"));
        QCOMPARE(f.w().LFiles->caption(), QStringLiteral("0"));
        QCOMPARE(f.w().File1->path(), QStringLiteral("/"));
    }

    void countMatchesLikeTheListing()
    {
        QTemporaryDir in;
        for (const char *n : {"a.JPG", "b.jpg", "c.jpeg", "README", "x;y.jpg"})
            QVERIFY(writeFile(in.path() + "/" + n, "x"));
        QCOMPARE(countMatchingFiles(in.path(), QStringLiteral("*.*"), false), 5LL);
        QCOMPARE(countMatchingFiles(in.path(), QStringLiteral("*.jpg"), false), 3LL);
        QCOMPARE(countMatchingFiles(in.path(), QStringLiteral("*;*"), false), 1LL);
        QCOMPARE(countMatchingFiles(in.path() + "/none", QStringLiteral("*.*"), false), 0LL);
    }
};

QTEST_MAIN(TstInputFolder)
#include "tst_inputfolder.moc"
