// Same-content dispatch through the dispatch button on real folders.
#include "Fixture.h"
#include "RunFolders.h"
#include "Inventory.h"
#include "Mounts.h"
#include "outputs/FlexGrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace fd;
using namespace fd::test;

class SameContentTest : public RunFolders {
    Q_OBJECT

    // "grid/sub" paths: each new first component becomes a row of the output list.
    void makeOutputs(const QStringList &subs)
    {
        QStringList rows;
        for (const QString &s : subs) {
            QVERIFY(QDir().mkpath(out + QLatin1Char('/') + s));
            const QString row = out + QLatin1Char('/') + s.section(QLatin1Char('/'), 0, 0);
            if (!rows.contains(row))
                rows << row;
        }
        for (const QString &r : rows)
            w().appendOutputRow(r, QFileInfo(r).fileName());
    }
    void runSame(const QString &pattern = QString(), bool omit = false, const QString &filter = QStringLiteral("*.*"))
    {
        w().Combo1->setEditText(filter);
        w().LDir->setCaption(in);
        w().LDirOut->setCaption(out);
        setOption(w().Opt3, true);
        w().ChSame->setEnabled(true);
        w().ChSame->setChecked(true);
        if (!pattern.isNull())
            w().CmbSame->setEditText(pattern);
        w().ChOmit->setChecked(omit);
        if (w().ChBackUp->isChecked())
            fx->shell.answerMessage(Answer::Ok);
        fx->shell.setAutoOk(true);
        w().CmdDo_Click();
    }
    QStringList delivered() const
    {
        QStringList r;
        for (const QString &f : Inventory::filesBelow(out))
            r << QDir(out).relativeFilePath(f);
        r.sort();
        return r;
    }

private slots:
    void init() { openFolders(false); }
    void cleanup() { closeFolders(); }

    void clickAndValidation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refused");
        QTest::newRow("bare bar") << "a|b" << true;
        QTest::newRow("escaped bar") << "a\\|b" << false;
        QTest::newRow("escaped then bare") << "\\||b" << true;
    }
    void clickAndValidation()
    {
        QFETCH(QString, text);
        QFETCH(bool, refused);
        fx->shell.setAutoOk(true);
        w().ChInClude->setChecked(true);
        w().ChRndTime->setChecked(true);
        w().ChSame->setChecked(true);
        QVERIFY(w().CmbSame->isEnabled() && w().CmdRex2->isEnabled());
        QVERIFY(!w().ChInClude->isChecked() && !w().ChRndTime->isChecked() && !w().ChRndTime->isEnabled());
        QVERIFY(!w().ChSubFold->isEnabled());
        w().CmbSame->setEditText(text);
        w().CmbSame_Validate();
        QCOMPARE(fx->shell.count(CallKind::Message), refused ? 1 : 0);
        QCOMPARE(w().CmbSame->currentText(), refused ? w().CmbSame->itemText(0) : text);
        w().ChSame->setChecked(false);
        QVERIFY(!w().CmbSame->isEnabled() && w().ChRndTime->isEnabled() && w().ChSubFold->isEnabled());
    }

    void delivery_data()
    {
        QTest::addColumn<QString>("pattern"); // null: the list item
        QTest::addColumn<bool>("omit");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QStringList>("subfolders");
        QTest::addColumn<QStringList>("expected");
        const QString n = QStringLiteral("张三13800138000.jpg");
        QTest::newRow("mobile number") << QString() << false << "*.*" << QStringList{n, "李四1380013800.jpg"}
            << QStringList{"o1/13800138000", "o1/客户13800138000资料", "o1/x138001380001", "o1/1380013800",
                           "o1/13800138000/13800138000", "o2/13800138000"}
            << QStringList{"o1/13800138000/" + n, "o1/x138001380001/" + n, "o1/客户13800138000资料/" + n,
                           "o2/13800138000/" + n};
        QTest::newRow("first of two") << QString() << false << "*.*" << QStringList{"a13800138000b13900139000.jpg"}
            << QStringList{"o1/13900139000", "o1/13800138000"}
            << QStringList{"o1/13800138000/a13800138000b13900139000.jpg"};
        QTest::newRow("keys compare exactly") << "[a-z]+\\d+" << true << "*.*" << QStringList{"AB12.jpg"}
            << QStringList{"o1/ab12", "o1/AB12 x"} << QStringList{"o1/AB12 x/AB12.jpg"};
        QTest::newRow("filter by extension") << QString() << false << "*.jpg"
            << QStringList{"a13800138000.JPG", "b13800138000.png", "c13800138000"} << QStringList{"o1/13800138000"}
            << QStringList{"o1/13800138000/a13800138000.JPG"};
        // A dot-named file is a file like any other; a subfolder's are not listed.
        QTest::newRow("every plain file") << QString() << false << "*.*"
            << QStringList{"c13800138000", ".d13800138000.jpg", "sub/e13800138000.jpg"} << QStringList{"o1/13800138000"}
            << QStringList{"o1/13800138000/.d13800138000.jpg", "o1/13800138000/c13800138000"};
        QTest::newRow("emoji names") << QString() << false << "*.*" << QStringList{"😀13800138000🎉.jpg"}
            << QStringList{"o1/表情😀13800138000"} << QStringList{"o1/表情😀13800138000/😀13800138000🎉.jpg"};
        QTest::newRow("empty match is no key") << "x*" << false << "*.*" << QStringList{"13800138000.jpg"}
            << QStringList{"o1/13800138000"} << QStringList{};
        QTest::newRow("match only in the output path") << QString() << false << "*.*"
            << QStringList{"13800138000.jpg"} << QStringList{"13800138000/none"} << QStringList{};
    }
    void delivery()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, omit);
        QFETCH(QString, filter);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, subfolders);
        QFETCH(QStringList, expected);
        for (const QString &i : inputs)
            QVERIFY(writeFile(in + QLatin1Char('/') + i, i.toUtf8()));
        makeOutputs(subfolders);
        runSame(pattern, omit, filter);
        expected.sort();
        QCOMPARE(delivered(), expected);
        for (const QString &e : expected)
            QCOMPARE(readFile(out + QLatin1Char('/') + e), e.section(QLatin1Char('/'), -1).toUtf8());
        QCOMPARE(Inventory::filesBelow(in).size(), inputs.size());
    }

    // A move deletes a source delivered once; a skipped clash and a failed copy are no delivery.
    void moveFailuresAndClashes()
    {
        const QString ro = dir->filePath(QStringLiteral("ro"));
        QVERIFY(QDir().mkpath(ro + QStringLiteral("/13900139000")));
        makeOutputs({"o1/13800138000", "o1/13900139000", "o2/x"});
        ScopedMount m = ScopedMount::readOnlyBind(ro, out + QStringLiteral("/o2"));
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("read-only bind mount not allowed: ") + m.error()));
        for (const char *n : {"a13800138000.jpg", "b13900139000.jpg", "c.jpg"})
            QVERIFY(writeFile(in + QLatin1Char('/') + QLatin1String(n), n));
        QVERIFY(writeFile(out + QStringLiteral("/o1/13900139000/b13900139000.jpg"), "old"));
        const Inventory before = Inventory::take({in});
        w().ChOvewr->setChecked(false);
        w().ChBackUp->setChecked(true);
        runSame();
        QCOMPARE(QDir(in).entryList(QDir::Files), (QStringList{"b13900139000.jpg", "c.jpg"}));
        QCOMPARE(readFile(out + QStringLiteral("/o1/13900139000/b13900139000.jpg")), QByteArray("old"));
        QVERIFY(fx->shell.last(CallKind::Message)->text.startsWith(QStringLiteral("分发完毕！因文件访问错误，分发失败1份。")));
        QVERIFY(before.lostAfter({out}).isEmpty());
    }

    // A move onto another file system copies, then deletes; an output folder that
    // cannot be opened holds no subfolders and is no failure.
    void moveAcrossFileSystemsPastAMissingOutput()
    {
        makeOutputs({"o1/13800138000", "o2/x13800138000"});
        ScopedMount m = ScopedMount::tmpfs(out + QStringLiteral("/o1"), 1024 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        QVERIFY(QDir().mkpath(out + QStringLiteral("/o1/13800138000")));
        w().appendOutputRow(out + QStringLiteral("/gone"), QStringLiteral("gone"));
        QVERIFY(writeFile(in + QStringLiteral("/a13800138000.jpg"), QByteArray(300 * 1024, 'a')));
        const Inventory before = Inventory::take({in});
        w().ChBackUp->setChecked(true);
        runSame();
        QCOMPARE(delivered(), (QStringList{"o1/13800138000/a13800138000.jpg", "o2/x13800138000/a13800138000.jpg"}));
        QVERIFY(QDir(in).isEmpty());
        QVERIFY(before.lostAfter({out}).isEmpty());
        QCOMPARE(fx->shell.last(CallKind::Message)->text, QStringLiteral("分发完毕！"));
    }

    void fullDisk_data()
    {
        QTest::addColumn<bool>("retry");
        QTest::newRow("cancel") << false;
        QTest::newRow("retry") << true;
    }
    void fullDisk()
    {
        QFETCH(bool, retry);
        makeOutputs({"o1/13800138000", "o2/13800138000"});
        ScopedMount m = ScopedMount::tmpfs(out + QStringLiteral("/o1/13800138000"), 256 * 1024);
        if (!m.ok())
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not allowed: ") + m.error()));
        const QString filler = out + QStringLiteral("/o1/13800138000/filler");
        QVERIFY(writeFile(filler, QByteArray(200 * 1024, 'z')));
        QVERIFY(writeFile(in + QStringLiteral("/a13800138000.bin"), QByteArray(100 * 1024, 'a')));
        fx->shell.answerMessage(Answer::Cancel); // the transfer's own question
        fx->shell.answerMessage(retry ? Answer::Retry : Answer::Cancel);
        fx->shell.onRetryQuestion = [&] {
            if (retry && fx->shell.last(CallKind::Message)->text.contains(QStringLiteral("磁盘空间不足")))
                QFile::remove(filler);
        };
        runSame();
        const QList<ShellCall> msgs = fx->shell.ofKind(CallKind::Message);
        QCOMPARE(msgs[1].text, out + QStringLiteral("/o1/13800138000磁盘空间不足，请释放空间后重试分发！"));
        QCOMPARE(msgs[1].buttons, Buttons::RetryCancel);
        QCOMPARE(QFile::exists(out + QStringLiteral("/o1/13800138000/a13800138000.bin")), retry);
        QVERIFY(QFile::exists(out + QStringLiteral("/o2/13800138000/a13800138000.bin")));
    }

    void invalidExpressionRefusedBeforeLocking()
    {
        QVERIFY(writeFile(in + QStringLiteral("/13800138000.jpg"), "x"));
        makeOutputs({"o1/13800138000"});
        runSame(QStringLiteral("(\\d"));
        QCOMPARE(fx->shell.count(CallKind::Message), 1);
        QVERIFY(w().Opt1->isEnabled() && w().CmdDo->isEnabled());
        QVERIFY(delivered().isEmpty());
    }
};

QTEST_MAIN(SameContentTest)
#include "tst_samecontent.moc"
