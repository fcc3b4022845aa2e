// Startup, initial state of the window, work folder, single copy, closing question.
#include "Fixture.h"

#include "app/Startup.h"
#include "catalogue/CatalogueModel.h"
#include "catalogue/FileList.h"
#include "outputs/FlexGrid.h"
#include "platform/Env.h"
#include "platform/Paths.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {

QString textOf(QObject *o)
{
    if (auto *b = qobject_cast<QAbstractButton *>(o)) return b->text();
    if (auto *l = qobject_cast<QLabel *>(o)) return l->text();
    if (auto *e = qobject_cast<QLineEdit *>(o)) return e->text();
    if (auto *c = qobject_cast<QComboBox *>(o)) return c->currentText();
    if (auto *g = qobject_cast<QGroupBox *>(o)) return g->title();
    return QString();
}

struct EnvGuard {
    QByteArray name, old;
    bool had;
    EnvGuard(const char *n, const QString &v) : name(n), old(qgetenv(n)), had(qEnvironmentVariableIsSet(n))
    {
        if (v.isNull()) qunsetenv(n); else qputenv(n, v.toUtf8());
    }
    ~EnvGuard() { if (had) qputenv(name, old); else qunsetenv(name); }
};

class RefusingGuard : public InstanceGuard {
public:
    bool acquire() override { return false; }
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initialState_data();
    void initialState();
    void windowAndLists();
    void filesBesideTheProgramAreNotCounted();
    void startupPathsRule();
    void workFolderCreatedFromEnvironment();
    void secondCopyInProcessIsRefused();
    void secondCopyDetectedAcrossProcesses();
    void closeQuestionCancelKeepsState();
    void closeQuestionOkCloses();
    // The state window lives across rows: charge unanswered dialogs to the row.
    void cleanup()
    {
        if (stateFixture)
            stateFixture->shell.verifyNoUnexpectedDialogs();
    }
    void cleanupTestCase() { stateFixture.reset(); }

private:
    std::unique_ptr<WindowFixture> stateFixture;
};

void TestStartup::initialState_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("checked"); // -1: not a checkable control
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<QString>("tip");
    auto row = [](const char *name, const QString &text, int checked, bool enabled, bool hidden = false,
                  const QString &tip = QString()) {
        QTest::newRow(name) << text << checked << enabled << hidden << tip;
    };
    const QString noClash = QStringLiteral("否则忽略处理");
    row("CmdIn", "导入目录(&I)...", -1, true, false, "可直接将输入目录拖放到输入目录标签上");
    row("Combo1", "*.*", -1, true);
    row("ChHide", "含隐藏文件", 0, true);
    row("LFiles", "0", -1, true, false, "当显示的文件数等于4579时，真实的文件数可能比此数大得多。");
    row("LFilename", "未知(请先指定导入目录或文件类型)", -1, true);
    row("ChProg", "不显示进度", 0, true, false, "文件数上万时关闭进度显示可以加快处理速度");
    row("CombOrder", "按文件名称排序", -1, true);
    row("OptA", "升序", 1, true);
    row("OptD", "降序", 0, true);
    row("ChN", "数值排序", 1, true);
    row("ChNum", "顺序分发", 1, true);
    row("CmdOut", "导出目录(&O)...", -1, true, false, "可直接将输出目录拖放到输出目录标签上");
    row("LFolds", "0", -1, true, true);
    row("Opt1", "固定分发", 0, true);
    row("Opt2", "平均分发", 1, true);
    row("Opt3", "自定义分发输出目录", 0, true);
    row("TParts", "50", -1, false);
    row("TDivs", "5", -1, true);
    row("TNum", "2", -1, false);
    row("Option2", "仅保留源文件夹", 1, true);
    row("Option1", "保留原全路径结构", 0, true);
    row("ChBackUp", "移走原文件", 0, true);
    row("ChOvewr", "覆盖同名文件", 1, true, false, noClash);
    row("ChRen", "同名更名", 0, true, false, noClash);
    row("ChBig", "超大容量分发", 0, true);
    row("ChFoldDo", "仅分文件夹", 0, true);
    row("ChMamal", "手动", 0, false);
    row("ChRndDraw", "随机抽取", 0, false);
    row("ChRndTime", "定时随机分发", 0, true);
    row("ChSubFold", "含子文件夹", 0, false);
    row("ChCustom", "仅定制分发", 0, false);
    row("CmbCustom", "源文件夹中文件分发到包含其文件名的输出文件夹中已存在的子文件夹中!", -1, false);
    row("ChInClude", "分发到包含文件名的文件夹中", 0, false);
    row("ChOverLay", "分发到跟文件名含有共同字符的文件夹中", 0, false);
    row("ChOmit", "忽略大小写", 0, true);
    row("ChSame", "分发到跟文件名含有相同内容的子文件夹中", 0, true);
    row("CmbSame", "中国大陆11位手机号!", -1, false);
    row("CmdRex2", "正则用法帮助...", -1, false);
    row("ChFoldTrunck", "分发到从文件名中截取指定内容的新建文件夹中", 0, false);
    row("Frame2", "截取设置：", -1, false, true);
    row("ChDraw", "截取文件名中指定内容作为新文件夹名的提取正则表达式：", 1, false);
    row("TNewFold", "(.+)(\\-)", -1, true);
    row("ChTrunck", "截取文件名中从第", 0, true);
    row("ChTrunckEnd", "截至末尾", 0, false);
    row("ChReverse", "倒序", 0, false, false, "从文件名末尾开始倒数截取");
    row("ChBracketNo", "采纳正则表达式中第", 0, true);
    row("ChOmitRear", "使用前部相同基准名，忽略末尾类如(n)、（n）、【n】、《n》、{n}等的", 0, true);
    row("LTrunckS", "1", -1, true);
    row("LTrunckE", "6", -1, true);
    row("LBracketNo", "1", -1, true);
    row("LFoldName", "无命中或未知(请指定参数后预览以确定)", -1, true);
    row("CmdHelp", "正则用法帮助...", -1, true);
    row("CmdPre", "预览新建文件夹", -1, true);
    row("CmdUp", "↑", -1, true);
    row("CmdDown", "↓", -1, true);
    row("ChRex", "Check1", 0, true, true);
    row("ChFJ", "仅将文件名中含繁体的文件移到到输出目录中", 0, true);
    row("CmdDo", "分  发", -1, true);
    row("CmdUpdate", "更新", -1, false);
    row("Label1", "当前目录文件总数：", -1, true);
    row("Label3", "每份抽取：", -1, true);
    row("Label4", "均分份数：", -1, true);
    row("Label5", "共同字符数：", -1, true);
}

void TestStartup::initialState()
{
    if (!stateFixture)
        stateFixture = std::make_unique<WindowFixture>(); // one window for all rows
    WindowFixture *fx = stateFixture.get();
    QFETCH(QString, text);
    QFETCH(int, checked);
    QFETCH(bool, enabled);
    QFETCH(bool, hidden);
    QFETCH(QString, tip);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    QWidget *c = fx->find<QWidget>(name);
    QVERIFY2(c, qPrintable(name));
    QCOMPARE(textOf(c), text);
    if (checked >= 0) {
        auto *b = qobject_cast<QAbstractButton *>(c);
        QVERIFY(b);
        QCOMPARE(int(b->isChecked()), checked);
    }
    QCOMPARE(!c->testAttribute(Qt::WA_ForceDisabled), enabled); // its own state, not its frame's
    QCOMPARE(c->isHidden(), hidden);
    if (!tip.isEmpty())
        QCOMPARE(c->toolTip(), tip);
}

void TestStartup::windowAndLists()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    QCOMPARE(w.windowTitle(), QStringLiteral("岚拓文件分发助手"));
    QCOMPARE(w.windowTag(), QStringLiteral("岚拓文件分发助手"));
    // Startup puts the program's folder in, the file-system root out.
    QCOMPARE(w.LDir->caption(), QDir::toNativeSeparators(fx.programDir.path()));
    QCOMPARE(w.LDirOut->caption(), paths::driveRoot(w.LDir->caption()));
    QCOMPARE(w.File1->path(), QDir::toNativeSeparators(fx.programDir.path()));
    // The grid: heading row only, name column hidden.
    QCOMPARE(w.MSFlexGrid1->rows(), 1);
    QCOMPARE(w.MSFlexGrid1->textMatrix(0, 0), QStringLiteral("自定义输出目录列表"));
    QCOMPARE(w.MSFlexGrid1->colWidthTwips(1), 0);
    QVERIFY(w.MSFlexGrid1->colWidthTwips(0) > 0);
    // The catalogue view: eight columns with their headers, empty.
    QCOMPARE(w.catalogue->columnCount(), 8);
    const QStringList heads = {"文件名称", "大小", "类型", "修改时间", "图片拍摄日期", "图片尺寸", "排序数值", "文件路径"};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(w.catalogue->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString(), heads[i]);
    QCOMPARE(w.catalogue->rowCount(), 0);
    QCOMPARE(w.CombOrder->count(), 6);
    QCOMPARE(w.CmbCustom->currentIndex(), 0);
    QCOMPARE(w.CmbSame->currentIndex(), 0);
    QCOMPARE(tagOf(w.CmdUp), QStringLiteral("0"));
    QCOMPARE(tagOf(w.CmdDown), QStringLiteral("0"));
    QCOMPARE(tagOf(w.Timer1), QStringLiteral("0"));
    QCOMPARE(tagOf(w.LFilename), w.LFilename->text());
    QCOMPARE(tagOf(w.LFoldName), w.LFoldName->text());
    QVERIFY(!w.Timer1->isActive());
    QCOMPARE(w.Timer1->interval(), 1000);
    QCOMPARE(w.P1->value(), 0);
    QCOMPARE(w.TV->text(), QStringLiteral("008"));
    QCOMPARE(w.statusPanels.size(), 5);
    QCOMPARE(w.statusPanels[0]->text(), QStringLiteral("主页"));
    QCOMPARE(w.statusPanels[4]->text(), QStringLiteral("岚拓文件批量处理工作室"));
    // Startup shows no dialog at all.
    QCOMPARE(fx.shell.calls.size(), 0);
    // The rule entries show from their start, at their full width.
    QCOMPARE(w.CmbSame->lineEdit()->cursorPosition(), 0);
    QVERIFY(w.CmbSame->width() > w.CmbSame->fontMetrics().horizontalAdvance(w.CmbSame->currentText()));
    QVERIFY(w.CmbCustom->width() > w.CmbCustom->fontMetrics().horizontalAdvance(w.CmbCustom->currentText()));
    // The first rows size the columns: the path column starts in view.
    CatalogueModel::Row row;
    row[0] = QStringLiteral("IMG_20240501_090507_holiday.jpg");
    row[7] = QStringLiteral("/home/user/pictures/2024/");
    w.catalogue->addRow(row);
    QTRY_VERIFY(w.ListView1->header()->sectionViewportPosition(7) < w.ListView1->viewport()->width() - 40);
}

void TestStartup::filesBesideTheProgramAreNotCounted()
{
    QTemporaryDir prog;
    for (const char *n : {"a.txt", "b.jpg", "c.dat"})
        QVERIFY(writeFile(prog.filePath(QLatin1String(n)), "x"));
    ScriptedShell shell;
    AlwaysFirstCopy guard;
    setInstanceGuard(&guard);
    setProgramFolderOverride(QDir::toNativeSeparators(prog.path()));
    {
        FDispatch w;
        w.Form_Load();
        w.show();
        QCoreApplication::processEvents();
        QVERIFY(w.File1->listCount() > 0);
        QCOMPARE(w.LFiles->caption(), QStringLiteral("0"));
    }
    setProgramFolderOverride(QString());
    setInstanceGuard(nullptr);
}

void TestStartup::startupPathsRule()
{
    const QString s = paths::sepStr();
    // With programdata set, the work folder is programdata, the program's folder name.
    auto p = computeStartupPaths("W", "PF", s + "ProgramData", s + "Tools" + s + "Dispatcher");
    QVERIFY(p.newerSystem);
    QCOMPARE(p.systemFolder, "W" + s + "System32");
    QCOMPARE(p.programFiles, QStringLiteral("PF"));
    QCOMPARE(p.workFolder, s + "ProgramData" + s + "Dispatcher" + s);
    // Without it, the program's own folder.
    p = computeStartupPaths("W", "PF", QString(), s + "Tools" + s + "Dispatcher");
    QVERIFY(!p.newerSystem);
    QCOMPARE(p.workFolder, s + "Tools" + s + "Dispatcher" + s);
    // A program at the root gives an empty name and a doubled separator.
    p = computeStartupPaths("W", "PF", s + "ProgramData", paths::driveRoot(s));
    QCOMPARE(p.workFolder, s + "ProgramData" + s + s);
    // Unset variables give empty texts.
    p = computeStartupPaths(QString(), QString(), QString(), s + "x");
    QCOMPARE(p.systemFolder, s + "System32");
}

void TestStartup::workFolderCreatedFromEnvironment()
{
    QTemporaryDir data;
    const QString pd = QDir::toNativeSeparators(data.path() + "/ProgramData");
    EnvGuard a("programdata", pd), b("windir", "/win"), c("programfiles", "/pf");
    WindowFixture fx(false);
    const QString name = paths::lastComponent(QDir::toNativeSeparators(fx.programDir.path()));
    QCOMPARE(fx.w().startup.workFolder, pd + paths::sep() + name + paths::sep());
    QVERIFY(QFileInfo(pd + paths::sep() + name).isDir());
    QVERIFY(fx.w().startup.newerSystem);
    QCOMPARE(fx.w().startup.systemFolder, QStringLiteral("/win") + paths::sep() + "System32");
    QCOMPARE(fx.w().startup.programFiles, QStringLiteral("/pf"));

    EnvGuard d("programdata", QString());
    EnvGuard e("PROGRAMDATA", QString());
    WindowFixture fx2(false);
    QVERIFY(!fx2.w().startup.newerSystem);
    QCOMPARE(fx2.w().startup.workFolder, QDir::toNativeSeparators(fx2.programDir.path()) + paths::sep());
}

void TestStartup::secondCopyInProcessIsRefused()
{
    ScriptedShell sh;
    sh.answerMessage(Answer::Ok);
    RefusingGuard refuse;
    setInstanceGuard(&refuse);
    FDispatch w;
    const bool go = w.Form_Load();
    setInstanceGuard(nullptr);
    QVERIFY(!go);
    QVERIFY(!w.isVisible());
    QCOMPARE(sh.calls.size(), 1);
    QCOMPARE(sh.calls[0].text, QStringLiteral("岚拓文件分发助手正在运行中！不支持多开！"));
    QCOMPARE(sh.calls[0].title, QStringLiteral("消息"));
    QCOMPARE(sh.calls[0].icon, Icon::Critical);
    QCOMPARE(sh.calls[0].buttons, Buttons::Ok);
    // No later startup step ran.
    QVERIFY(w.LDir->caption().isEmpty());
    QCOMPARE(w.CmbSame->currentIndex(), -1);
}

void TestStartup::secondCopyDetectedAcrossProcesses()
{
    const QString bin = qEnvironmentVariable("FDISPATCH_BIN");
    if (bin.isEmpty() || !QFileInfo(bin).isExecutable())
        QSKIP("program binary not given");
    QTemporaryDir lockDir;
    EnvGuard g("FDISPATCH_LOCK_DIR", lockDir.path());
    QProcess first;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("FDISPATCH_LOCK_DIR", lockDir.path());
    first.setProcessEnvironment(env);
    first.start(bin, {});
    QVERIFY(first.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(LockFileGuard::lockPath()), 10000);

    // Another process of this user cannot take the single-copy lock meanwhile.
    {
        LockFileGuard second;
        QVERIFY(!second.acquire());
    }
    QCOMPARE(first.state(), QProcess::Running); // the running copy is untouched
    first.kill();
    first.waitForFinished();
    // Once it is gone, a new copy may start (the dead copy's lock is stale).
    LockFileGuard third;
    QVERIFY(third.acquire());
}

void TestStartup::closeQuestionCancelKeepsState()
{
    WindowFixture fx;
    FDispatch &w = fx.w();
    w.ChRen->setChecked(true);
    w.MSFlexGrid1->setRows(2);
    w.MSFlexGrid1->setTextMatrix(1, 0, "/x");
    fx.shell.answerMessage(Answer::Cancel);
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    const ShellCall *c = fx.shell.last(CallKind::Message);
    QVERIFY(c);
    QCOMPARE(c->text, QStringLiteral("关闭程序？"));
    QCOMPARE(c->title, QStringLiteral("消息"));
    QCOMPARE(c->icon, Icon::Information);
    QCOMPARE(c->buttons, Buttons::OkCancel);
    QVERIFY(w.ChRen->isChecked());
    QCOMPARE(w.MSFlexGrid1->rows(), 2);
    QCOMPARE(w.MSFlexGrid1->textMatrix(1, 0), QStringLiteral("/x"));
}

void TestStartup::closeQuestionOkCloses()
{
    WindowFixture fx;
    fx.shell.answerMessage(Answer::Ok);
    QVERIFY(fx.w().close());
    QVERIFY(!fx.w().isVisible());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
