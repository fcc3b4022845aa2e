// Files whose names are not UTF-8 (or are otherwise awkward) on real folders: they
// are counted, listed, delivered with their exact bytes, shown readably and logged.
#include "Fixture.h"
#include "Inventory.h"
#include "OddNames.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/CustomDispatch.h"
#include "catalogue/FileList.h"
#include "dispatch/FailureLog.h"
#include "dispatch/RandomDraw.h"
#include "naming/Placement.h"
#include "outputs/Walk.h"
#include "platform/NativeName.h"
#include "platform/Places.h"
#include "platform/RawDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>
#include <QTest>

using namespace fd;
using namespace fd::test;

class OddNamesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture> fx;
    std::unique_ptr<RawTemporaryDir> dir;
    QString in, out;
    QList<QByteArray> inputs;

    FDispatch &w() { return fx->w(); }
    QString at(const QString &folder, const QByteArray &name) const
    {
        return folder + QLatin1Char('/') + decodeFileName(name);
    }
    void writeInputs(const QList<QByteArray> &names)
    {
        inputs = names;
        for (const QByteArray &n : names)
            QVERIFY2(writeRawFile(in, n, n), n.toHex().constData());
    }
    static QList<QByteArray> oddBytes()
    {
        QList<QByteArray> r;
        for (const OddName &n : oddNames())
            r << n.bytes;
        return r;
    }
    QList<QByteArray> sorted(QList<QByteArray> l)
    {
        std::sort(l.begin(), l.end());
        return l;
    }
    QString lastMessage() const
    {
        const ShellCall *c = fx->shell.last(CallKind::Message);
        return c ? c->text : QString();
    }

private slots:
    void init()
    {
        dir = std::make_unique<RawTemporaryDir>();
        in = dir->path() + QStringLiteral("/in");
        out = dir->path() + QStringLiteral("/out");
        QVERIFY(raw::makePath(in) && raw::makePath(out));
        fx = std::make_unique<WindowFixture>(true);
        fx->shell.setAutoOk(true);
    }
    void cleanup()
    {
        fx.reset();
        dir.reset();
    }

    void everyNameCounted()
    {
        writeInputs(oddBytes() << "plain.txt");
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        QCOMPARE(w().LFiles->caption(), QString::number(inputs.size()));
        QList<QByteArray> listed;
        for (const QString &n : w().File1->names())
            listed << encodeFileName(n);
        QCOMPARE(sorted(listed), sorted(inputs));
    }

    // Whole move runs in each loop style: every name reaches the output side with its
    // bytes, and nothing is reported as dispatched that stayed behind.
    void moveRunsKeepEveryName_data()
    {
        QTest::addColumn<QString>("style");
        for (const char *s : {"random order", "scan order", "number order", "listed folders", "named folders"})
            QTest::newRow(s) << QString::fromLatin1(s);
    }
    void moveRunsKeepEveryName()
    {
        QFETCH(QString, style);
        writeInputs(oddBytes());
        const Inventory before = Inventory::take({in});
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        if (style == QLatin1String("scan order") || style == QLatin1String("number order")) {
            w().ChNum->setChecked(true);
            w().ChN->setChecked(style == QLatin1String("number order"));
        } else if (style == QLatin1String("listed folders")) {
            setOption(w().Opt3, true);
            QVERIFY(raw::makePath(out + QStringLiteral("/g")));
            w().appendOutputRow(out + QStringLiteral("/g"), QStringLiteral("g"));
            w().ChInClude->setChecked(false); // every listed folder gets every file
            w().ChOverLay->setChecked(false);
        } else if (style == QLatin1String("named folders")) {
            setOption(w().Opt3, true);
            w().ChFoldTrunck->setChecked(true);
            w().ChTrunck->setChecked(true);
            w().UpDown3->setValue(1); // the first character names the folder
            fx->shell.answerMessage(Answer::Ok); // no preview made
        }
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok); // move
        w().CmdDo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        QCOMPARE(rawNamesIn(in), QList<QByteArray>{});
        QCOMPARE(before.lostAfter({out}, Inventory::Names::Kept), QStringList());
    }

    void sweepMovesEveryNameWhole()
    {
        writeInputs(oddBytes());
        const Inventory before = Inventory::take({in});
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        w().ChFJ->setChecked(true);
        fx->shell.answerInput(QStringLiteral("300")); // every base name is short enough to move
        fx->shell.answerInput(QString());
        w().CmdDo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("文件分发完毕！"));
        QCOMPARE(rawNamesIn(in), QList<QByteArray>{});
        QCOMPARE(rawNamesIn(out), sorted(inputs));
        QCOMPARE(before.lostAfter({out}, Inventory::Names::Kept), QStringList());
    }

    void sameContentFindsEveryName()
    {
        const QByteArray key("13800138000_");
        QList<QByteArray> names;
        for (const QByteArray &n : oddBytes())
            names << key + (n.size() + key.size() > 255 ? n.mid(key.size()) : n);
        writeInputs(names);
        const QByteArray sub("\xD7\xCA 13800138000");
        QVERIFY(raw::makePath(at(out + QStringLiteral("/o1"), sub)));
        const Inventory before = Inventory::take({in});
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        w().appendOutputRow(out + QStringLiteral("/o1"), QStringLiteral("o1"));
        setOption(w().Opt3, true);
        w().ChSame->setEnabled(true);
        w().ChSame->setChecked(true);
        w().ChBackUp->setChecked(true);
        fx->shell.answerMessage(Answer::Ok); // move the sources
        w().CmdDo_Click();
        QCOMPARE(lastMessage(), QStringLiteral("分发完毕！"));
        QCOMPARE(rawNamesIn(at(out + QStringLiteral("/o1"), sub)), sorted(inputs));
        QCOMPARE(rawNamesIn(in), QList<QByteArray>{});
        QCOMPARE(before.lostAfter({out}, Inventory::Names::Kept), QStringList());
    }

    void outputWalkListsOddFolders()
    {
        const QList<QByteArray> subs{"\xD7\xCA\xC1\xCF", "a\xFF", "-x", "line\nbreak"};
        for (const QByteArray &s : subs)
            QVERIFY(raw::makePath(at(out, s) + QStringLiteral("/inner")));
        setOption(w().Opt3, true);
        w().ChSubFold->setChecked(true);
        w().cat.treeWalk = true;
        WalkFolder(w().port(), out, WalkPurpose::OutputList);
        const QStringList rows = gridPaths(w());
        QCOMPARE(rows.size(), 2 * subs.size());
        for (const QString &r : rows)
            QVERIFY2(raw::isFolder(r), qPrintable(visibleName(r)));
    }

    // The folder derived from a name keeps its bytes; a name the disk cannot take is
    // reported as a failure, not skipped.
    void placementKeepsBytesAndTellsFailures()
    {
        writeInputs({"\xD7\xCA\xC1\xCF(2).txt", oddNames().last().bytes});
        QVERIFY(writeRawFile(at(out, "\xE9\x95\xBF"), oddNames().last().bytes, "taken"));
        w().Combo1->setEditText(QStringLiteral("*.*"));
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        setOption(w().Opt3, true);
        w().ChFoldTrunck->setChecked(true);
        w().ChTrunck->setChecked(true);
        w().UpDown3->setValue(1); // the first character names the folder
        w().ChRen->setChecked(true);
        QString failedAt;
        QCOMPARE(PlaceInNamedFolder(w().port(), at(in, inputs[0]), &failedAt, false), Placement::Attempted);
        QVERIFY(failedAt.isEmpty());
        QCOMPARE(rawNamesIn(at(out, "\xD7")), QList<QByteArray>{inputs[0]});
        QCOMPARE(PlaceInNamedFolder(w().port(), at(in, inputs[1]), &failedAt, false), Placement::Attempted);
        QVERIFY(!failedAt.isEmpty()); // a numbered name would pass 255 bytes
        QCOMPARE(rawNamesIn(at(out, "\xE9\x95\xBF")).size(), 1);
    }

    // The custom-only rule finds the subfolder by a name made of raw bytes and names
    // the placed file after a picture there, bytes and all.
    void customOnlyKeepsBytes()
    {
        writeInputs({"\xD7\xCA\xC1\xCF.txt"});
        const QByteArray sub("x\xD7\xCA\xC1\xCFy");
        QVERIFY(writeRawFile(at(out, sub), "\xFF\xFEpic-3.jpg", "picture"));
        w().LDirOut->setCaption(out);
        w().ChBackUp->setChecked(true);
        long long placed = 0;
        CustomDispatchFile(w().port(), {QLatin1Char('/') + decodeFileName(sub)}, at(in, inputs[0]), placed, true);
        QCOMPARE(placed, 1LL);
        QCOMPARE(rawNamesIn(at(out, sub)), (QList<QByteArray>{"\xFF\xFEpic-3.jpg", "\xFF\xFEpic.txt"}));
        QCOMPARE(rawNamesIn(in), QList<QByteArray>{});
    }

    void drawnFilesKeepTheirNames()
    {
        writeInputs(oddBytes());
        QStringList pool;
        for (const QByteArray &n : inputs)
            pool << at(in, n);
        const QString set = out + QStringLiteral("/set");
        QVERIFY(draw::recreateFolder(w().port(), set));
        for (int i = 0; i < 40; ++i)
            QVERIFY(draw::drawOne(pool, set));
        for (const QByteArray &n : rawNamesIn(set))
            QVERIFY2(inputs.contains(n) || inputs.contains(n.mid(int(strlen("重名_")))), n.toHex().constData());
        QVERIFY(draw::recreateFolder(w().port(), set)); // emptied, odd names and all
        QCOMPARE(rawNamesIn(set), QList<QByteArray>{});
    }

    void shownReadablyAndLoggedInGbk()
    {
        CatalogueModel model;
        CatalogueModel::Row row;
        row[0] = decodeFileName("\xD7\xCA\xC1\xCF.txt");
        row[7] = decodeFileName("/in/a\xFF/");
        model.addRow(row);
        model.announceRows();
        QCOMPARE(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("资料.txt"));
        QCOMPARE(model.data(model.index(0, 7), Qt::DisplayRole).toString(), QStringLiteral("/in/a\uFFFD/"));
        QCOMPARE(model.text(0, 0), row[0]); // the work keeps the bytes

        FailureLog log;
        log.open();
        log.add(decodeFileName("/in/\xD7\xCA\xC1\xCF.txt"), decodeFileName("/out/a\xFF\xFE.txt"));
        log.close();
        QVERIFY(readFile(FailureLog::path()).endsWith("/in/\xD7\xCA\xC1\xCF.txt  \xA1\xFA  /out/a??.txt\r\n"));
    }
};

QTEST_MAIN(OddNamesTest)
#include "tst_oddnames.moc"
