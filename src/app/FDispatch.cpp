#include "app/FDispatch.h"
#include "app/WindowPort.h"
#include "platform/QtShell.h"

#include "catalogue/CatalogueModel.h"
#include "catalogue/FileList.h"
#include "outputs/FlexGrid.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace fd {

namespace {

template <typename T>
T *named(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QCheckBox *check(QWidget *parent, const char *name, const QString &text, bool checked = false,
                 bool enabled = true, const QString &tip = QString())
{
    auto *c = named(new QCheckBox(text, parent), name);
    c->setChecked(checked);
    c->setEnabled(enabled);
    if (!tip.isEmpty())
        c->setToolTip(tip);
    return c;
}

CaptionLabel *captionLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *l = named(new CaptionLabel(parent), name);
    l->setText(text);
    return l;
}

QLabel *plainLabel(QWidget *parent, const char *name, const QString &text)
{
    return named(new QLabel(text, parent), name);
}

// Shows a panel in a frameless area that scrolls it up and down when the window is
// short, and that shows and hides with the panel.
class ScrollingPanel : public QScrollArea {
public:
    explicit ScrollingPanel(QWidget *panel)
    {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const bool shown = !panel->isHidden();
        setWidget(panel);
        panel->setVisible(shown); // setWidget showed it
        panel->installEventFilter(this);
        setVisible(shown);
    }
    QSize minimumSizeHint() const override
    {
        // As wide as the panel: its texts stay whole; some lines high: it scrolls.
        const int bar = verticalScrollBar()->sizeHint().width();
        return {widget()->minimumSizeHint().width() + bar, 120};
    }
    QSize sizeHint() const override { return widget()->sizeHint() + QSize(verticalScrollBar()->sizeHint().width(), 0); }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (o == widget() && (e->type() == QEvent::ShowToParent || e->type() == QEvent::HideToParent))
            setVisible(e->type() == QEvent::ShowToParent);
        return QScrollArea::eventFilter(o, e);
    }
};

QWidget *scrolling(QWidget *panel) { return new ScrollingPanel(panel); }

} // namespace

FDispatch::FDispatch(QWidget *parent) : QMainWindow(parent)
{
    useRealDialogs(); // a shell set by a test still comes first
    setObjectName(QStringLiteral("FDispatch"));
    setWindowTitle(caption());
    setWindowTag(caption());
    buildControls();
    layoutControls();
    wireApp();
    wireInput();
    wireSorting();
    wireOutputs();
    wireShares();
    wireDispatch();
    wireNaming();
    wireRegexTester();
    wireUpdate();
}

FDispatch::~FDispatch() = default;

void FDispatch::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    setCentralWidget(central);
    QWidget *p = central;

    // Input folder and filter
    CmdIn = named(new QPushButton(QStringLiteral("导入目录(&I)..."), p), "CmdIn");
    CmdIn->setToolTip(QStringLiteral("可直接将输入目录拖放到输入目录标签上"));
    LDir = captionLabel(p, "LDir", QString());
    LDir->setToolTip(QStringLiteral("支持文件夹拖放"));
    LDir->setAcceptsDrops(true);
    LDir->setFrameShape(QFrame::StyledPanel);
    Combo1 = named(new QComboBox(p), "Combo1");
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(QStringLiteral("*.*"));
    ChHide = check(p, "ChHide", QStringLiteral("含隐藏文件"));
    Label1 = plainLabel(p, "Label1", QStringLiteral("当前目录文件总数："));
    Label1->setToolTip(QStringLiteral("当显示的文件数等于4579时，真实的文件数可能比此数大得多。"));
    LFiles = captionLabel(p, "LFiles", QStringLiteral("0"));
    LFiles->setAlignment(Qt::AlignCenter);
    LFiles->setToolTip(QStringLiteral("当显示的文件数等于4579时，真实的文件数可能比此数大得多。"));
    LFilename = captionLabel(p, "LFilename", QStringLiteral("未知(请先指定导入目录或文件类型)"));
    setTag(LFilename, LFilename->text());
    LFilename->setStyleSheet(QStringLiteral("color: red;"));
    File1 = new FileList(this);
    File1->setObjectName(QStringLiteral("File1"));

    // Catalogue view and sort controls
    catalogue = new CatalogueModel(this);
    ListView1 = named(new QTreeView(p), "ListView1");
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAlternatingRowColors(true);
    ListView1->setModel(catalogue);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    {
        const int widths[8] = {4304, 2540, 2540, 2540, 2540, 2540, 2540, 2540};
        for (int i = 0; i < 8; ++i)
            ListView1->setColumnWidth(i, widths[i] / kTwipsPerPixel);
    }
    // The first rows of a fill size the columns, so the path column is in view.
    connect(catalogue, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first, int) {
        if (first == 0)
            fitCatalogueColumns();
    });
    ChProg = check(p, "ChProg", QStringLiteral("不显示进度"), false, true,
                   QStringLiteral("文件数上万时关闭进度显示可以加快处理速度"));
    P1 = named(new QProgressBar(p), "P1");
    P1->setRange(0, 100);
    P1->setValue(0);
    Frame3 = named(new QGroupBox(QStringLiteral("排序："), p), "Frame3");
    CombOrder = named(new QComboBox(Frame3), "CombOrder");
    CombOrder->addItems({QStringLiteral("按文件名称排序"), QStringLiteral("按文件大小排序"),
                         QStringLiteral("按文件类型排序"), QStringLiteral("按文件修改时间排序"),
                         QStringLiteral("按相片拍摄日期"), QStringLiteral("按图片尺寸排序!")});
    CombOrder->setCurrentIndex(-1); // startup selects the first entry, running its rule
    OptA = named(new QRadioButton(QStringLiteral("升序"), Frame3), "OptA");
    OptD = named(new QRadioButton(QStringLiteral("降序"), Frame3), "OptD");
    OptA->setChecked(true);
    ChN = check(Frame3, "ChN", QStringLiteral("数值排序"), true, true,
                QStringLiteral("勾选按自然数值递增/递减排序，否则按字符大小顺序排序；以文件名末尾一组数值为准"));
    ChNum = check(p, "ChNum", QStringLiteral("顺序分发"), true);

    // Output folders
    CmdOut = named(new QPushButton(QStringLiteral("导出目录(&O)..."), p), "CmdOut");
    CmdOut->setToolTip(QStringLiteral("可直接将输出目录拖放到输出目录标签上"));
    LDirOut = captionLabel(p, "LDirOut", QString());
    LDirOut->setToolTip(QStringLiteral("支持文件夹拖放"));
    LDirOut->setAcceptsDrops(true);
    LDirOut->setFrameShape(QFrame::StyledPanel);
    MSFlexGrid1 = named(new FlexGrid(p), "MSFlexGrid1");
    LFolds = captionLabel(p, "LFolds", QStringLiteral("0"));
    LFolds->setVisible(false);

    // Mode and shares
    Opt1 = named(new QRadioButton(QStringLiteral("固定分发"), p), "Opt1");
    Opt2 = named(new QRadioButton(QStringLiteral("平均分发"), p), "Opt2");
    Opt3 = named(new QRadioButton(QStringLiteral("自定义分发输出目录"), p), "Opt3");
    Opt2->setChecked(true);
    Label3 = plainLabel(p, "Label3", QStringLiteral("每份抽取："));
    Label4 = plainLabel(p, "Label4", QStringLiteral("均分份数："));
    Label5 = plainLabel(p, "Label5", QStringLiteral("共同字符数："));
    TParts = named(new QLineEdit(QStringLiteral("50"), p), "TParts");
    TParts->setEnabled(false);
    TDivs = named(new QLineEdit(QStringLiteral("5"), p), "TDivs");
    TNum = named(new QLineEdit(QStringLiteral("2"), p), "TNum");
    TNum->setEnabled(false);

    Frame1 = named(new QGroupBox(QStringLiteral("目录结构："), p), "Frame1");
    Option2 = named(new QRadioButton(QStringLiteral("仅保留源文件夹"), Frame1), "Option2");
    Option1 = named(new QRadioButton(QStringLiteral("保留原全路径结构"), Frame1), "Option1");
    Option2->setChecked(true);

    // Rule switches
    ChBackUp = check(p, "ChBackUp", QStringLiteral("移走原文件"));
    ChOvewr = check(p, "ChOvewr", QStringLiteral("覆盖同名文件"), true, true, QStringLiteral("否则忽略处理"));
    ChRen = check(p, "ChRen", QStringLiteral("同名更名"), false, true, QStringLiteral("否则忽略处理"));
    ChBig = check(p, "ChBig", QStringLiteral("超大容量分发"), false, true,
                  QStringLiteral("当待分发的文件数达几万或者几十万以上超出本机内存容量导致分发失败时，需定制专门的大容量分发功能模块"));
    ChFoldDo = check(p, "ChFoldDo", QStringLiteral("仅分文件夹"), false, true,
                     QStringLiteral("对文件夹而不是对文件夹中的文件进行分发；功能未开通，有需要着需定制。"));
    ChMamal = check(p, "ChMamal", QStringLiteral("手动"), false, false,
                    QStringLiteral("每次分发到同一指定文件夹中(先删除上次分发的文件)，直到终止分发为止！"));
    ChRndDraw = check(p, "ChRndDraw", QStringLiteral("随机抽取"), false, false,
                      QStringLiteral("从含有大量文件的文件夹中随机指定份数的文件，分发到输出目录下新建的以数字递增的新建文件夹中"));
    ChRndTime = check(p, "ChRndTime", QStringLiteral("定时随机分发"));
    ChSubFold = check(p, "ChSubFold", QStringLiteral("含子文件夹"), false, false,
                      QStringLiteral("添加目标输出目录时，需包含子文件夹时勾选。"));
    ChCustom = check(p, "ChCustom", QStringLiteral("仅定制分发"), false, false);
    CmbCustom = named(new QComboBox(p), "CmbCustom");
    CmbCustom->addItem(QStringLiteral("源文件夹中文件分发到包含其文件名的输出文件夹中已存在的子文件夹中!"));
    CmbCustom->setCurrentIndex(-1);
    CmbCustom->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    CmbCustom->setEnabled(false);
    ChInClude = check(p, "ChInClude", QStringLiteral("分发到包含文件名的文件夹中"), false, false);
    ChOverLay = check(p, "ChOverLay", QStringLiteral("分发到跟文件名含有共同字符的文件夹中"), false, false);
    ChOmit = check(p, "ChOmit", QStringLiteral("忽略大小写"));
    ChSame = check(p, "ChSame", QStringLiteral("分发到跟文件名含有相同内容的子文件夹中"));
    Label13 = plainLabel(p, "Label13", QStringLiteral("含相同内容的正则表达式："));
    CmbSame = named(new QComboBox(p), "CmbSame");
    CmbSame->setEditable(true);
    CmbSame->setInsertPolicy(QComboBox::NoInsert);
    CmbSame->addItem(QStringLiteral("中国大陆11位手机号!"));
    CmbSame->setCurrentIndex(-1);
    CmbSame->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // An entry put into the edit field shows from its start, not its end.
    connect(CmbSame, &QComboBox::currentIndexChanged, CmbSame->lineEdit(), [e = CmbSame->lineEdit()] { e->home(false); });
    CmbSame->setEnabled(false);
    CmdRex2 = named(new QPushButton(QStringLiteral("正则用法帮助..."), p), "CmdRex2");
    CmdRex2->setEnabled(false);
    ChFoldTrunck = check(p, "ChFoldTrunck", QStringLiteral("分发到从文件名中截取指定内容的新建文件夹中"), false, false);
    ChFJ = check(p, "ChFJ", QStringLiteral("仅将文件名中含繁体的文件移到到输出目录中"));

    // Name extraction frame, shown in place of the grid
    Frame2 = named(new QGroupBox(QStringLiteral("截取设置："), p), "Frame2");
    Frame2->setEnabled(false);
    Frame2->setVisible(false);
    QWidget *f2 = Frame2;
    ChTrunck = check(f2, "ChTrunck", QStringLiteral("截取文件名中从第"));
    LTrunckS = captionLabel(f2, "LTrunckS", QStringLiteral("1"));
    UpDown2 = named(new UpDown(f2), "UpDown2");
    Label8 = plainLabel(f2, "Label8", QStringLiteral("——第"));
    LTrunckE = captionLabel(f2, "LTrunckE", QStringLiteral("6"));
    UpDown3 = named(new UpDown(f2), "UpDown3");
    Label9 = plainLabel(f2, "Label9", QStringLiteral("个字符作为新文件夹名"));
    ChTrunckEnd = check(f2, "ChTrunckEnd", QStringLiteral("截至末尾"), false, false);
    ChReverse = check(f2, "ChReverse", QStringLiteral("倒序"), false, false,
                      QStringLiteral("从文件名末尾开始倒数截取"));
    ChDraw = check(f2, "ChDraw", QStringLiteral("截取文件名中指定内容作为新文件夹名的提取正则表达式："), true, false);
    TNewFold = named(new QLineEdit(QStringLiteral("(.+)(\\-)"), f2), "TNewFold");
    TNewFold->setMaxLength(150);
    TNewFold->setToolTip(QStringLiteral("上限150个字符；截取指定内容的正则表达式。"));
    setTag(TNewFold, QString()); // group count of the pattern
    CmdHelp = named(new QPushButton(QStringLiteral("正则用法帮助..."), f2), "CmdHelp");
    ChBracketNo = check(f2, "ChBracketNo", QStringLiteral("采纳正则表达式中第"));
    LBracketNo = captionLabel(f2, "LBracketNo", QStringLiteral("1"));
    UpDown1 = named(new UpDown(f2), "UpDown1");
    Label7 = plainLabel(f2, "Label7", QStringLiteral("对括号内的内容作为新文件夹名"));
    ChOmitRear = check(f2, "ChOmitRear", QStringLiteral("使用前部相同基准名，忽略末尾类如(n)、（n）、【n】、《n》、{n}等的"));
    Label6 = plainLabel(f2, "Label6", QStringLiteral("导入目录下的第一个文件名："));
    Label10 = plainLabel(f2, "Label10", QStringLiteral("提取出指定的内容新建而得的新文件夹名："));
    LFoldName = captionLabel(f2, "LFoldName", QStringLiteral("无命中或未知(请指定参数后预览以确定)"));
    setTag(LFoldName, LFoldName->text());
    LFoldName->setStyleSheet(QStringLiteral("color: blue;"));
    CmdPre = named(new QPushButton(QStringLiteral("预览新建文件夹"), f2), "CmdPre");
    CmdPre->setToolTip(QStringLiteral("预览第一个文件名中提取的目标新文件夹。"));
    CmdUp = named(new QPushButton(QStringLiteral("↑"), f2), "CmdUp");
    CmdUp->setToolTip(QStringLiteral("预览上一文件"));
    setTag(CmdUp, QStringLiteral("0"));
    CmdDown = named(new QPushButton(QStringLiteral("↓"), f2), "CmdDown");
    CmdDown->setToolTip(QStringLiteral("预览下一文件"));
    setTag(CmdDown, QStringLiteral("0"));
    ChRex = check(f2, "ChRex", QStringLiteral("Check1"));
    ChRex->setVisible(false);
    for (auto *l : {LTrunckS, LTrunckE, LBracketNo}) {
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(28);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
    }
    UpDown1->setMinimum(1);
    UpDown1->setMaximum(50);
    UpDown1->setValue(1);
    UpDown2->setMinimum(1);
    UpDown2->setMaximum(200);
    UpDown2->setValue(1);
    UpDown3->setMinimum(1);
    UpDown3->setMaximum(200);
    UpDown3->setValue(6);

    // Dispatch, update, timer, status bar
    CmdDo = named(new QPushButton(QStringLiteral("分  发"), p), "CmdDo");
    CmdPlan = named(new QPushButton(QStringLiteral("预览分发计划(&P)"), p), "CmdPlan");
    CmdUndo = named(new QPushButton(QStringLiteral("撤销上次分发(&Z)"), p), "CmdUndo");
    CmdUpdate = named(new QPushButton(QStringLiteral("更新"), p), "CmdUpdate");
    CmdUpdate->setEnabled(false);
    TV = named(new QLineEdit(QStringLiteral("008"), p), "TV");
    TV->setVisible(false);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    setTag(Timer1, QStringLiteral("0"));

    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    setStatusBar(StatusBar1);
    const QStringList panelTexts = {QStringLiteral("主页"), QStringLiteral("技术支持：support@example.com"),
                                    QString(), QString(), QStringLiteral("岚拓文件批量处理工作室")};
    for (int i = 0; i < 5; ++i) {
        auto *panel = new CaptionLabel(StatusBar1);
        panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i + 1));
        panel->setText(panelTexts.at(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        statusPanels.append(panel);
        StatusBar1->addPermanentWidget(panel, i == 1 ? 1 : 0);
    }
    statusPanels[0]->setToolTip(QStringLiteral("双击访问主页获取资讯和下载"));
    statusClock_ = new QTimer(this);
    statusClock_->setInterval(1000);
}

void FDispatch::layoutControls()
{
    auto *root = new QVBoxLayout(centralWidget());
    root->setContentsMargins(8, 8, 8, 4);
    root->setSpacing(6);

    // Input folder and filter
    auto *inBox = new QGroupBox(QStringLiteral("导入"), centralWidget());
    auto *inLay = new QGridLayout(inBox);
    inLay->addWidget(CmdIn, 0, 0);
    inLay->addWidget(LDir, 0, 1, 1, 5);
    inLay->addWidget(new QLabel(QStringLiteral("文件类型："), inBox), 1, 0);
    inLay->addWidget(Combo1, 1, 1);
    inLay->addWidget(ChHide, 1, 2);
    inLay->addWidget(Label1, 1, 3);
    inLay->addWidget(LFiles, 1, 4);
    inLay->setColumnStretch(1, 1);
    inLay->setColumnStretch(5, 2);
    root->addWidget(inBox);

    // Catalogue with sort controls
    auto *catBox = new QGroupBox(QStringLiteral("文件列表"), centralWidget());
    auto *catLay = new QVBoxLayout(catBox);
    auto *sortLay = new QHBoxLayout(Frame3);
    sortLay->addWidget(CombOrder);
    sortLay->addWidget(OptA);
    sortLay->addWidget(OptD);
    sortLay->addWidget(ChN);
    auto *catTop = new QHBoxLayout;
    catTop->addWidget(ChNum);
    catTop->addWidget(Frame3);
    catTop->addWidget(ChProg);
    catTop->addWidget(P1, 1);
    catLay->addLayout(catTop);
    // The list gives up height first, so the window fits a 720-line screen.
    ListView1->setMinimumHeight(90);
    catLay->addWidget(ListView1, 1);
    root->addWidget(catBox, 3);

    // Output folders and the grid (or the extraction frame in its place)
    auto *mid = new QHBoxLayout;
    auto *outBox = new QGroupBox(QStringLiteral("导出"), centralWidget());
    auto *outLay = new QGridLayout(outBox);
    outLay->addWidget(CmdOut, 0, 0);
    outLay->addWidget(LDirOut, 0, 1, 1, 3);
    outLay->addWidget(ChSubFold, 1, 0);
    outLay->addWidget(ChCustom, 1, 1);
    outLay->addWidget(CmbCustom, 2, 0, 1, 4); // its long entry on a row of its own
    outLay->addWidget(MSFlexGrid1, 3, 0, 1, 4);
    outLay->addWidget(LFolds, 4, 0);
    outLay->setColumnStretch(3, 1);

    auto *f2 = new QGridLayout(Frame2);
    auto *posRow = new QHBoxLayout;
    posRow->addWidget(ChTrunck);
    posRow->addWidget(LTrunckS);
    posRow->addWidget(UpDown2);
    posRow->addWidget(Label8);
    posRow->addWidget(LTrunckE);
    posRow->addWidget(UpDown3);
    posRow->addWidget(Label9);
    posRow->addStretch(1);
    f2->addLayout(posRow, 0, 0, 1, 4);
    auto *endRow = new QHBoxLayout;
    endRow->addWidget(ChTrunckEnd);
    endRow->addWidget(ChReverse);
    endRow->addStretch(1);
    f2->addLayout(endRow, 1, 0, 1, 4);
    f2->addWidget(ChDraw, 2, 0, 1, 3);
    f2->addWidget(CmdHelp, 2, 3);
    f2->addWidget(TNewFold, 3, 0, 1, 4);
    auto *grpRow = new QHBoxLayout;
    grpRow->addWidget(ChBracketNo);
    grpRow->addWidget(LBracketNo);
    grpRow->addWidget(UpDown1);
    grpRow->addWidget(Label7);
    grpRow->addStretch(1);
    f2->addLayout(grpRow, 4, 0, 1, 4);
    f2->addWidget(ChOmitRear, 5, 0, 1, 4);
    f2->addWidget(Label6, 6, 0);
    f2->addWidget(LFilename, 6, 1, 1, 3);
    f2->addWidget(Label10, 7, 0);
    f2->addWidget(LFoldName, 7, 1, 1, 3);
    auto *preRow = new QHBoxLayout;
    preRow->addWidget(CmdPre);
    preRow->addWidget(CmdUp);
    preRow->addWidget(CmdDown);
    preRow->addWidget(ChRex);
    preRow->addStretch(1);
    f2->addLayout(preRow, 8, 0, 1, 4);
    outLay->addWidget(scrolling(Frame2), 5, 0, 1, 4);
    mid->addWidget(outBox, 4);

    // Mode, shares and switches
    auto *modeBox = new QGroupBox(QStringLiteral("分发方式"), centralWidget());
    auto *modeLay = new QGridLayout(modeBox);
    modeLay->addWidget(Opt1, 0, 0);
    modeLay->addWidget(Opt2, 0, 1);
    modeLay->addWidget(Opt3, 1, 0, 1, 2);
    modeLay->addWidget(Label3, 2, 0);
    modeLay->addWidget(TParts, 2, 1);
    modeLay->addWidget(Label4, 3, 0);
    modeLay->addWidget(TDivs, 3, 1);
    modeLay->addWidget(Label5, 4, 0);
    modeLay->addWidget(TNum, 4, 1);
    auto *f1 = new QHBoxLayout(Frame1);
    f1->addWidget(Option2);
    f1->addWidget(Option1);
    modeLay->addWidget(Frame1, 5, 0, 1, 2);
    modeLay->setRowStretch(6, 1);
    mid->addWidget(modeBox, 2);

    auto *ruleBox = new QGroupBox(QStringLiteral("分发规则"), centralWidget());
    auto *ruleLay = new QGridLayout(ruleBox);
    ruleLay->addWidget(ChBackUp, 0, 0);
    ruleLay->addWidget(ChOvewr, 0, 1);
    ruleLay->addWidget(ChRen, 0, 2);
    ruleLay->addWidget(ChRndDraw, 1, 0);
    ruleLay->addWidget(ChMamal, 1, 1);
    ruleLay->addWidget(ChRndTime, 1, 2);
    ruleLay->addWidget(ChBig, 2, 0);
    ruleLay->addWidget(ChFoldDo, 2, 1);
    ruleLay->addWidget(ChOmit, 2, 2);
    ruleLay->addWidget(ChInClude, 3, 0, 1, 3);
    ruleLay->addWidget(ChOverLay, 4, 0, 1, 3);
    ruleLay->addWidget(ChSame, 5, 0, 1, 3);
    auto *sameRow = new QHBoxLayout;
    sameRow->addWidget(Label13);
    sameRow->addWidget(CmbSame, 1);
    sameRow->addWidget(CmdRex2);
    ruleLay->addLayout(sameRow, 6, 0, 1, 3);
    ruleLay->addWidget(ChFoldTrunck, 7, 0, 1, 3);
    ruleLay->addWidget(ChFJ, 8, 0, 1, 3);
    ruleLay->setRowStretch(9, 1);
    mid->addWidget(ruleBox, 3);
    root->addLayout(mid, 2);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(CmdUpdate);
    CmdDo->setMinimumSize(160, 36);
    QFont f = CmdDo->font();
    f.setPointSizeF(f.pointSizeF() * 1.3);
    f.setBold(true);
    CmdDo->setFont(f);
    bottom->addWidget(CmdUndo);
    bottom->addWidget(CmdPlan);
    bottom->addWidget(CmdDo);
    bottom->addWidget(TV);
    root->addLayout(bottom);

    resize(1240, 780);
    centralWidget()->layout()->activate(); // real sizes before startup reads them
}

void FDispatch::fitCatalogueColumns()
{
    const int columns = catalogue->columnCount();
    int used = 0;
    for (int i = 0; i < columns - 1; ++i) {
        ListView1->resizeColumnToContents(i);
        used += ListView1->columnWidth(i);
    }
    // A long name column gives way to the path column.
    const int room = ListView1->viewport()->width() - used;
    const int pathWidth = ListView1->viewport()->width() / 4;
    if (room < pathWidth)
        ListView1->setColumnWidth(0, qMax(80, ListView1->columnWidth(0) - (pathWidth - room)));
}

void FDispatch::closeEvent(QCloseEvent *e)
{
    if (!closeConfirmed_) {
        bool cancel = false;
        Form_Unload(cancel);
        if (cancel) {
            e->ignore();
            return;
        }
        closeConfirmed_ = true;
    }
    if (longOperations > 0) {
        // Let the running operation stop between two files, then close.
        stopRequested = true;
        e->ignore();
        QTimer::singleShot(50, this, &FDispatch::closeWhenIdle);
        return;
    }
    e->accept();
}

void FDispatch::closeWhenIdle()
{
    if (longOperations > 0) {
        QTimer::singleShot(50, this, &FDispatch::closeWhenIdle);
        return;
    }
    stopRequested = false;
    close();
}

} // namespace fd
