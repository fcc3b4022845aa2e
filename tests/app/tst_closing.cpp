// Closing the window while a long operation runs stops it between two files.
#include "Fixture.h"
#include "Inventory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QTimer>
#include <QTest>

using namespace fd;
using namespace fd::test;

class TestClosing : public QObject {
    Q_OBJECT
private slots:
    void closeDuringRunStopsIt();
    void cancelDuringRunLetsItFinish();
};

namespace {

void setUp(WindowFixture &fx, const QString &in, const QString &out, int files)
{
    for (int i = 1; i <= files; ++i)
        QVERIFY(writeFile(in + QStringLiteral("/f%1.txt").arg(i), QByteArray::number(i)));
    QDir().mkpath(out);
    fx.w().Combo1->setEditText(QStringLiteral("*.*"));
    fx.w().LDir->setCaption(QDir::toNativeSeparators(in));
    fx.w().LDirOut->setCaption(QDir::toNativeSeparators(out));
    fx.w().ChBackUp->setChecked(true); // a move: nothing may be lost when it stops
    fx.shell.answerMessage(Answer::Ok); // moving, yes
}

int filesBelow(const QString &folder) { return int(Inventory::filesBelow(folder).size()); }

} // namespace

void TestClosing::closeDuringRunStopsIt()
{
    WindowFixture fx;
    QTemporaryDir dir;
    const QString in = dir.path() + "/in", out = dir.path() + "/out";
    setUp(fx, in, out, 300);
    const Inventory before = Inventory::take({in});
    fx.shell.answerMessage(Answer::Ok); // closing, yes
    QTimer::singleShot(0, &fx.w(), [&] { fx.w().close(); });
    fx.w().CmdDo_Click();
    // The run stopped early: files remain in the input folder, none is lost.
    const int left = filesBelow(in);
    QVERIFY2(left > 0 && left < 300, qPrintable(QString::number(left)));
    QCOMPARE(left + filesBelow(out), 300);
    QCOMPARE(before.lostAfter({out}), QStringList());
    // No report was shown and no file manager opened for a run the user ended.
    for (const ShellCall &c : fx.shell.ofKind(CallKind::Message))
        QVERIFY(!c.text.startsWith(QStringLiteral("分发完毕")));
    QCOMPARE(fx.shell.count(CallKind::OpenFolder), 0);
    // Then the window closes without asking again.
    QTRY_VERIFY(!fx.w().isVisible());
    QCOMPARE(fx.shell.ofKind(CallKind::Message).size(), 2);
}

void TestClosing::cancelDuringRunLetsItFinish()
{
    WindowFixture fx;
    QTemporaryDir dir;
    const QString in = dir.path() + "/in", out = dir.path() + "/out";
    setUp(fx, in, out, 50);
    fx.shell.answerMessage(Answer::Cancel); // closing, no
    fx.shell.setAutoOk(true);
    QTimer::singleShot(0, &fx.w(), [&] { fx.w().close(); });
    fx.w().CmdDo_Click();
    QCOMPARE(filesBelow(in), 0);
    QCOMPARE(filesBelow(out), 50);
    QVERIFY(fx.w().isVisible());
    QVERIFY(!fx.w().stopRequested);
}

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
