// Custom-only dispatch driven through the dispatch button on real folders.
#include "Fixture.h"
#include "RunFolders.h"
#include "Inventory.h"
#include "Mounts.h"
#include "catalogue/CatalogueModel.h"
#include "dispatch/FailureLog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>

using namespace fd;
using namespace fd::test;

class CustomDispatchTest : public RunFolders {
    Q_OBJECT

    // Entries ending in "/" are folders; files hold their own name.
    void make(const QString &root, const QStringList &entries)
    {
        for (const QString &e : entries)
            QVERIFY(e.endsWith(QLatin1Char('/')) ? QDir().mkpath(root + QLatin1Char('/') + e)
                                                 : writeFile(root + QLatin1Char('/') + e, e.toUtf8()));
    }
    void runCustom(bool move, const QString &vanishing = QString())
    {
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        if (!vanishing.isEmpty()) // counted, then gone before the run lists the folder
            QVERIFY(QFile::remove(vanishing));
        w().LDirOut->setCaption(out);
        setOption(w().Opt3, true);
        w().ChCustom->setEnabled(true);
        w().ChCustom->setChecked(true);
        QVERIFY(w().customOnlyMode());
        w().ChBackUp->setChecked(move);
        if (move)
            fx->shell.answerMessage(Answer::Ok);
        fx->shell.setAutoOk(true);
        w().CmdDo_Click();
    }

private slots:
    void init() { openFolders(); }
    void cleanup() { closeFolders(); }

    void placement_data()
    {
        QTest::addColumn<QStringList>("outputs");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("placed"); // where copies of the input must be found
        QTest::addColumn<bool>("move");
        for (bool move : {false, true}) {
            const char *m = move ? " move" : " copy";
            QTest::addRow("first entry, picture stem%s", m)
                << QStringList{"X-1203/P-1.jpg", "Y-1203/"} << "1203.jpg" << QStringList{"X-1203/P.jpg"} << move;
            QTest::addRow("folder name stem%s", m) << QStringList{"X-1203/"} << "1203.jpg"
                                                   << QStringList{"X-1203/X.jpg"} << move;
            QTest::addRow("jpeg stem%s", m) << QStringList{"K1203/a.txt", "K1203/Q-2.jpeg"} << "1203.png"
                                            << QStringList{"K1203/Q.png"} << move;
            QTest::addRow("case-sensitive%s", m) << QStringList{"ABC/"} << "abc.jpg" << QStringList{} << move;
            QTest::addRow("one copy per part%s", m)
                << QStringList{"AB-7/AB/Z-1.jpg", "AB-7/7/"} << "AB-7.png"
                << QStringList{"AB-7/AB/Z.png", "AB-7/7/AB.png"} << move;
            QTest::addRow("missing and parent parts%s", m) << QStringList{"AB-..-9/AB/"} << "AB-..-9.png"
                                                           << QStringList{"AB-..-9/AB/AB.png"} << move;
            QTest::addRow("wide names%s", m) << QStringList{"客户张三🎉-资料/"} << "张三🎉.jpg"
                                             << QStringList{"客户张三🎉-资料/客户张三🎉.jpg"} << move;
            QTest::addRow("empty base names nothing%s", m) << QStringList{"a/"} << ".jpg" << QStringList{} << move;
        }
    }
    void placement()
    {
        QFETCH(QStringList, outputs);
        QFETCH(QString, input);
        QFETCH(QStringList, placed);
        QFETCH(bool, move);
        make(out, outputs);
        make(in, {input});
        const Inventory before = Inventory::take({in});
        runCustom(move);
        for (const QString &p : placed)
            QCOMPARE(readFile(out + QLatin1Char('/') + p), input.toUtf8());
        QCOMPARE(QFile::exists(in + QLatin1Char('/') + input), !move || placed.isEmpty());
        QCOMPARE(Inventory::filesBelow(out).size(), outputs.filter(QRegularExpression("[^/]$")).size() + placed.size());
        const ShellCall *done = fx->shell.last(CallKind::Message);
        QCOMPARE(done->text, QStringLiteral("分发完毕！"));
        QCOMPARE(done->title, QStringLiteral("消息"));
        QCOMPARE(done->icon, Icon::Information);
        // The files are placed, not catalogued.
        QCOMPARE(w().cat.count, 0LL);
        QCOMPARE(w().catalogue->count(), 0);
        const QStringList progress = titles.filter(QStringLiteral("   目标文件已分发..."));
        QVERIFY(!progress.isEmpty() && progress.last().endsWith(placed.isEmpty() ? "...0" : "...1"));
        QVERIFY(before.lostAfter({out}).isEmpty());
        QVERIFY(!QFile::exists(FailureLog::path()));
    }

    // Two inputs named after the same picture: copying replaces, moving never does.
    void sharedDestination_data()
    {
        QTest::addColumn<bool>("move");
        QTest::newRow("copy") << false;
        QTest::newRow("move") << true;
    }
    void sharedDestination()
    {
        QFETCH(bool, move);
        make(out, {"S-1203-51203/"});
        make(in, {"1203.jpg", "51203.jpg"});
        const Inventory before = Inventory::take({in});
        runCustom(move);
        const QByteArray kept = readFile(out + QStringLiteral("/S-1203-51203/S.jpg"));
        QCOMPARE(kept, move ? QByteArray("1203.jpg") : QByteArray("51203.jpg"));
        QCOMPARE(QDir(in).entryList(QDir::Files), move ? QStringList{"51203.jpg"} : (QStringList{"1203.jpg", "51203.jpg"}));
        if (move)
            QVERIFY(before.lostAfter({out}).isEmpty());
    }

    void acrossFileSystemsAndUnwritable()
    {
        ScopedMount m = ScopedMount::tmpfs(out, 1 << 20);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        make(out, {"A1/", "B2/", "B2/B.jpg"});
        const QString ro = dir->filePath(QStringLiteral("ro"));
        make(ro, {"C-1.jpg"});
        ScopedMount r = ScopedMount::readOnlyBind(ro, out + QStringLiteral("/C3"));
        QVERIFY2(r.ok(), qPrintable(r.error()));
        make(in, {"1.jpg", "2.jpg", "3.jpg"});
        const Inventory before = Inventory::take({in, out});
        runCustom(true);
        QCOMPARE(readFile(out + QStringLiteral("/A1/A1.jpg")), QByteArray("1.jpg")); // moved to the other file system
        QCOMPARE(readFile(out + QStringLiteral("/B2/B.jpg")), QByteArray("B2/B.jpg")); // never replaced
        QCOMPARE(QDir(in).entryList(QDir::Files), (QStringList{"2.jpg", "3.jpg"}));
        QVERIFY(before.lostAfter({out}).isEmpty());
        // The file the read-only folder refused is reported; the one left beside a namesake is not.
        QVERIFY(fx->shell.last(CallKind::Message)->text.startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败1份。")));
        QVERIFY(QFile::exists(FailureLog::path()));
    }

    // A count above the listing makes the run rebuild the catalogue; the files are placed all the same.
    void countAboveTheListing()
    {
        make(out, {"X-1/"});
        make(in, {"1.jpg", "gone.jpg"});
        runCustom(false, in + QStringLiteral("/gone.jpg"));
        QCOMPARE(readFile(out + QStringLiteral("/X-1/X.jpg")), QByteArray("1.jpg"));
    }

    void outputFolderThatCannotBeOpened()
    {
        make(in, {"1.jpg"});
        out = dir->filePath(QStringLiteral("missing"));
        runCustom(true);
        QCOMPARE(fx->shell.count(CallKind::Message), 1); // only the move question
        QVERIFY(QFile::exists(in + QStringLiteral("/1.jpg")));
        QVERIFY(w().CmdDo->isEnabled());
    }
};

QTEST_MAIN(CustomDispatchTest)
#include "tst_customdispatch.moc"
