#include "regex_tester/FRex.h"

#include "platform/Places.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>

namespace fd {

namespace {

const QString kHelpText = QStringLiteral(
    "一、本程序的正则表达式替换写法\n"
    "替换表达式中，$1 到 $9 依次代表查找正则表达式里第1到第9对圆括号所匹配到的内容，"
    "$10 到 $99 代表第10到第99对圆括号（没有那么多对时只取一位数字），"
    "$& 代表整个匹配，$` 代表匹配之前的文字，$' 代表匹配之后的文字，$$ 代表一个 $ 字符本身。\n"
    "例：源字符串为 第一集@猴王出世，查找正则表达式为 (.+)@(.+)，替换表达式为 $2 $1，"
    "替换结果为 猴王出世 第一集。$2 就是第二对圆括号匹配到的“猴王出世”，$1 就是第一对圆括号匹配到的“第一集”。\n"
    "查找正则表达式中，特殊字符要在前面加反斜杠才表示字符本身：\\\\ 表示反斜杠，\\? 表示问号，"
    "\\. 表示句点，\\+ 表示加号。\n"
    "\n"
    "二、对照：文字处理软件“使用通配符”查找替换的写法（仅作对照，本测试机不认这些代码）\n"
    "查找内容写 (*)\\@(*)，替换为写 \\2 \\1，得到同样的结果 猴王出世 第一集；"
    "\\1、\\2 分别代表第一、第二对圆括号里的内容。\n"
    "替换为中，^13 或 ^p 代表段落标记（即换行），^32 代表空格，^＆ 代表查找到的全部内容。"
    "例如查找 重要的话我只说三遍，替换为 ^＆^13^＆^13^＆，这句话就会分三行各显示一遍。\n"
    "特殊字符同样用反斜杠转义：\\\\ 表示反斜杠，\\? 表示问号，\\@ 表示 @，\\< 表示尖括号。\n");

QLineEdit *field(QWidget *parent, const char *name, const QString &text)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    // The program itself only ever shortens these texts, so the limit never cuts one.
    e->setMaxLength(FRex::kFieldLimit);
    e->setText(text);
    return e;
}

QLabel *label(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// Report and result show user text: never read it as markup.
QLabel *plainLabel(QWidget *parent, const char *name)
{
    auto *l = label(parent, name, QString());
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setWordWrap(true);
    l->setFrameShape(QFrame::StyledPanel);
    return l;
}

int numberOf(const QLabel *l) { return l->text().toInt(); }

} // namespace

QString removeLineBreakEscapes(const QString &pattern)
{
    QString out;
    out.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\\') && i + 1 < pattern.size()) {
            const QChar n = pattern.at(++i);
            if (n != QLatin1Char('r') && n != QLatin1Char('n')) {
                out += c;
                out += n;
            }
            continue;
        }
        out += c;
    }
    return out;
}

FRex::FRex(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FRex"));
    setWindowTitle(caption());
    buildControls();
    wire();
    Form_Load();
}

void FRex::buildControls()
{
    TS = field(this, "TS", QStringLiteral("在此输入待测试的源字符串"));
    TS2 = field(this, "TS2", QStringLiteral("在开启允许跨行模式下，在此输入待测试的第2行源字符串"));
    TS2->setEnabled(false);
    TL = field(this, "TL", QStringLiteral("在此输入查找正则表达式"));
    TL->setToolTip(QStringLiteral("非多行模式下禁用 回车符\\r和换行符\\n"));
    TR = field(this, "TR", QStringLiteral("在此输入替换表达式"));

    auto check = [this](const char *name, const QString &text, bool on, const QString &tip) {
        auto *c = new QCheckBox(text, this);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(on);
        c->setToolTip(tip);
        return c;
    };
    ChAll = check("ChAll", QStringLiteral("全部查找"), true,
                  QStringLiteral("如果源字符串中存在多个目标子字符串，启用全部查找则找出所有的，否则只找第一个"));
    ChC = check("ChC", QStringLiteral("区分大小写"), false, QString());
    ChM = check("ChM", QStringLiteral("多行模式"), false,
                QStringLiteral("默认是按一行/段查找。当需要跨行/段处理，包含连续多段多行，包含回车符\\r和换行符\\n时需启用多行模式。"));

    CmdFind = new QPushButton(QStringLiteral("查找测试"), this);
    CmdFind->setObjectName(QStringLiteral("CmdFind"));
    CmdRep = new QPushButton(QStringLiteral("替换测试"), this);
    CmdRep->setObjectName(QStringLiteral("CmdRep"));
    CmdRep->setEnabled(false);
    for (auto *b : {CmdFind, CmdRep})
        b->setAutoDefault(false); // Enter in a field must not run a test behind the user's back

    LReport = plainLabel(this, "LReport");
    LRet = plainLabel(this, "LRet");
    // A long result is cut to the window instead of stretching it off the screen.
    LRet->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    LRet->setFixedHeight(LRet->fontMetrics().lineSpacing() * 3 + 8);
    LRet->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Ln = new CaptionLabel(this);
    Ln->setObjectName(QStringLiteral("Ln"));
    Ln->setText(QStringLiteral("1"));
    UpDown1 = new UpDown(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setMinimum(1);
    UpDown1->setMaximum(1); // no matches yet
    LSub = new CaptionLabel(this);
    LSub->setObjectName(QStringLiteral("LSub"));
    LSub->setText(QStringLiteral("0"));
    LSub->setToolTip(QStringLiteral("双击查看第0个子匹配，如果警报则表示无子匹配"));
    UpDown2 = new UpDown(this);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    UpDown2->setMinimum(0);
    UpDown2->setMaximum(0);
    for (auto *l : {Ln, LSub}) {
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(28);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
    }

    Text1 = new QPlainTextEdit(kHelpText, this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *g = new QGridLayout(this);
    int r = 0;
    g->addWidget(label(this, "Label1", QStringLiteral("待查找的字符串1：")), r, 0);
    g->addWidget(TS, r++, 1, 1, 3);
    g->addWidget(label(this, "Label2", QStringLiteral("待查找的字符串2：")), r, 0);
    g->addWidget(TS2, r++, 1, 1, 3);
    g->addWidget(label(this, "Label3", QStringLiteral("查找正则表达式：")), r, 0);
    g->addWidget(TL, r++, 1, 1, 3);
    g->addWidget(label(this, "Label4", QStringLiteral("替换表达式：")), r, 0);
    g->addWidget(TR, r++, 1, 1, 3);
    auto *checks = new QHBoxLayout;
    checks->addWidget(ChAll);
    checks->addWidget(ChC);
    checks->addWidget(ChM);
    checks->addStretch(1);
    checks->addWidget(CmdFind);
    checks->addWidget(CmdRep);
    g->addLayout(checks, r++, 0, 1, 4);
    g->addWidget(label(this, "Label5", QStringLiteral("查找结果报告：")), r, 0);
    g->addWidget(LReport, r++, 1, 1, 3);
    g->addWidget(label(this, "Label6", QStringLiteral("结果显示：")), r, 0);
    g->addWidget(LRet, r++, 1, 1, 3);
    auto *spins = new QHBoxLayout;
    spins->addWidget(label(this, "Label8", QStringLiteral("查看第")));
    spins->addWidget(Ln);
    spins->addWidget(UpDown1);
    spins->addWidget(label(this, "Label9", QStringLiteral("匹配")));
    spins->addSpacing(24);
    spins->addWidget(label(this, "Label11", QStringLiteral("查看第")));
    spins->addWidget(LSub);
    spins->addWidget(UpDown2);
    auto *l10 = label(this, "Label10", QStringLiteral("个子匹配"));
    l10->setToolTip(QStringLiteral("查找正则表达式中的每一对圆括号里面的内容为子匹配"));
    spins->addWidget(l10);
    spins->addStretch(1);
    g->addLayout(spins, r++, 0, 1, 4);
    g->addWidget(label(this, "Label7", QStringLiteral("替换语法：")), r, 0, Qt::AlignTop);
    g->addWidget(Text1, r, 1, 1, 3);
    g->setRowStretch(r, 1);
    g->setColumnStretch(1, 1);
    resize(720, 560);
}

void FRex::wire()
{
    connect(TL, &QLineEdit::textChanged, this, &FRex::TL_Change);
    for (auto *f : {TR, TS, TS2})
        connect(f, &QLineEdit::textChanged, this, &FRex::disableReplace);
    TL->installEventFilter(this);
    connect(ChAll, &QCheckBox::toggled, this, &FRex::ChAll_Click);
    connect(ChC, &QCheckBox::toggled, this, &FRex::ChC_Click);
    connect(ChM, &QCheckBox::toggled, this, &FRex::ChM_Click);
    connect(CmdFind, &QPushButton::clicked, this, &FRex::CmdFind_Click);
    connect(CmdRep, &QPushButton::clicked, this, &FRex::CmdRep_Click);
    connect(UpDown1, &UpDown::valueChanged, this, [this](int v) { Ln->setCaption(QString::number(v)); });
    connect(UpDown2, &UpDown::valueChanged, this, [this](int v) { LSub->setCaption(QString::number(v)); });
    connect(Ln, &CaptionLabel::captionChanged, this, &FRex::Ln_Change);
    connect(LSub, &CaptionLabel::captionChanged, this, &FRex::LSub_Change);
    connect(LSub, &CaptionLabel::doubleClicked, this, &FRex::LSub_DblClick);
    // The arrows are the spinner's own buttons: a press or the focus on them is a use.
    for (auto *b : UpDown2->findChildren<QToolButton *>())
        b->installEventFilter(this);
}

bool FRex::eventFilter(QObject *o, QEvent *e)
{
    if (o == TL && e->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(e)->reason();
        // Switching to another window is not leaving the field.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            TL_Validate();
    } else if (o != TL && (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::FocusIn)) {
        UpDown2_Used();
    }
    return QDialog::eventFilter(o, e);
}

void FRex::keyPressEvent(QKeyEvent *e)
{
    // Escape would close the window and throw away what was typed; only closing it does.
    if (e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void FRex::Form_Load()
{
    matcher_.setGlobal(true);
    matcher_.setIgnoreCase(true);
    matcher_.setMultiLine(false);
    matcher_.setPattern(TL->text());
}

void FRex::disableReplace() { CmdRep->setEnabled(false); }

void FRex::TL_Change()
{
    disableReplace();
    matcher_.setPattern(TL->text());
}

void FRex::TL_Validate()
{
    if (ChM->isChecked())
        return;
    const QString cleaned = removeLineBreakEscapes(TL->text());
    if (cleaned != TL->text())
        TL->setText(cleaned);
}

void FRex::ChAll_Click() { matcher_.setGlobal(ChAll->isChecked()); }

void FRex::ChC_Click() { matcher_.setIgnoreCase(!ChC->isChecked()); }

void FRex::ChM_Click()
{
    TS2->setEnabled(ChM->isChecked());
    matcher_.setMultiLine(ChM->isChecked());
}

QString FRex::source() const
{
    if (ChM->isChecked())
        return TS->text() + QStringLiteral("\r\n") + TS2->text();
    return TS->text();
}

void FRex::CmdFind_Click()
{
    const QString src = source();
    UpDown1->setMaximum(1);
    if (!matcher_.isValid()) {
        LReport->setText(QStringLiteral("正则表达式语法错误！"));
        LRet->clear();
        return;
    }
    const auto result = matcher_.execute(src);
    if (!result.ok()) {
        LReport->setText(QStringLiteral("正则表达式语法错误！"));
        LRet->clear();
        return;
    }
    const QVector<RegexMatch> &found = result.value();
    if (found.isEmpty()) {
        // The lists of the last successful test stay for the spinners.
        LReport->setText(QStringLiteral("无命中！"));
        LRet->clear();
        return;
    }
    matchTexts_.clear();
    groupTexts_.clear();
    matchTexts_.reserve(found.size());
    groupTexts_.reserve(found.size());
    for (const RegexMatch &m : found) {
        matchTexts_.append(m.value);
        groupTexts_.append(m.subMatches);
    }
    UpDown1->setMaximum(int(found.size()));
    LReport->setText(QStringLiteral("有命中！共命中%1个目标").arg(found.size()));
    CmdRep->setEnabled(true);
    Ln_Change();
}

void FRex::CmdRep_Click()
{
    const auto replaced = matcher_.replace(source(), TR->text());
    if (!replaced.ok()) {
        LReport->setText(QStringLiteral("替换表达式语法错误！"));
        LRet->clear();
        return;
    }
    LRet->setText(replaced.value());
}

void FRex::Ln_Change()
{
    groupLock_ = true;
    const int n = numberOf(Ln);
    // Before the first hit there is no list to show from.
    if (n < 1 || n > matchTexts_.size())
        return;
    LRet->setText(matchTexts_.at(n - 1));
    UpDown2->setMaximum(qMax(0, int(groupTexts_.at(n - 1).size()) - 1));
}

void FRex::UpDown2_Used() { groupLock_ = false; }

void FRex::LSub_DblClick()
{
    UpDown2_Used();
    LSub_Change();
}

void FRex::LSub_Change()
{
    if (groupLock_)
        return;
    const int n = numberOf(Ln);
    const int k = numberOf(LSub);
    if (n >= 1 && n <= groupTexts_.size() && k >= 0 && k < groupTexts_.at(n - 1).size()
        && !groupTexts_.at(n - 1).at(k).isEmpty()) {
        LRet->setText(groupTexts_.at(n - 1).at(k));
        return;
    }
    shell().beep();
}

void showRegexTester(QWidget *owner)
{
    // A missing document or viewer is no reason to keep the tester closed.
    const QString help = helpDocumentPath();
    if (QFileInfo::exists(help))
        shell().openFile(help);
    FRex tester(owner);
    tester.exec();
}

} // namespace fd
