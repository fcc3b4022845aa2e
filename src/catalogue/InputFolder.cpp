#include "catalogue/InputFolder.h"

#include "app/FDispatch.h"
#include "catalogue/FileList.h"
#include "catalogue/Wildcard.h"
#include "outputs/PickFolder.h"
#include "platform/Env.h"
#include "platform/NativeName.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace fd {

// ---- Plain rules ------------------------------------------------------------------

QString listingPatternFor(const QString &filterText)
{
    struct Row {
        QStringList texts;
        const char *pattern;
    };
    static const Row rows[] = {
        {{QStringLiteral("所有")}, "*.*"},
        {{QStringLiteral("常用图片格式")},
         "*.bmp;*.rle;*.dib;*.jpg;*.jpeg;*.jpe;*.jfi;*.png;*.gif;*.tif;*.tiff"},
        {{QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, "*.jpg;*.jpeg;*.jfif;*.jpe"},
        {{QStringLiteral("*.bmp"), QStringLiteral("*.dib"), QStringLiteral("*.rle")}, "*.bmp;*.dib;*.rle"},
        {{QStringLiteral("*.tif"), QStringLiteral("*.tiff")}, "*.tif;*.tiff"},
        {{QStringLiteral("*.doc"), QStringLiteral("*.docx")}, "*.doc;*.docx;*.docm;*.dot"},
        {{QStringLiteral("*.xls"), QStringLiteral("*.xlsx")}, "*.xls;*.xlsx;*.xlsm;*.xla"},
        {{QStringLiteral("*.ppt"), QStringLiteral("*.pptm"), QStringLiteral("*.pptx")}, "*.ppt;*.pptx;*.pptm"},
    };
    for (const Row &r : rows)
        for (const QString &t : r.texts)
            if (filterText.compare(t, Qt::CaseInsensitive) == 0)
                return QString::fromUtf8(r.pattern);
    return filterText;
}

QChar filterTypeKey(QChar key, int n, bool wholeTextSelected, bool &beep)
{
    static const QString refused = QStringLiteral("~!#$%^&()-+={}[]|\\:;'<>?,/. `@\"");
    const QChar backspace(8);
    beep = false;
    if (n == 0)
        return QLatin1Char('*');
    if (n == 1)
        return QLatin1Char('.');
    if (n <= 11) {
        if (refused.contains(key) || (key == QLatin1Char('*') && n >= 3)) {
            beep = true;
            return QChar(0);
        }
        return key;
    }
    if (key == backspace)
        return wholeTextSelected ? QLatin1Char('*') : key;
    beep = true;
    return QChar(0);
}

TypeCheck checkTypeText(const QString &text)
{
    const QString reset = QStringLiteral("*.");
    auto fail = [](const char *msg, const QString &t, int caret, bool select) {
        TypeCheck c;
        c.ok = false;
        c.message = QString::fromUtf8(msg);
        c.text = t;
        c.caret = caret;
        c.selectLength = select ? qMin(12, int(t.size()) - caret) : 0;
        return c;
    };
    // Every reset yields "*.", which passes the later checks: at most one fails.
    if (text.isEmpty())
        return fail("错误：文件类型过滤标识不能为空！重新检查输入！", reset, 2, false);
    if (text.size() < 3)
        return fail("错误：文件类型过滤标识字符长度少于3个！重新检查输入！", reset, 2, false);
    if (!text.startsWith(reset))
        return fail("错误：文件类型过滤标识必须以 “*.”开头！重新检查输入！", reset, 2, true);
    if (text.size() > 12)
        return fail("错误：文件类型过滤标识太长，超出10个字符限制！重新检查输入！", reset, 2, true);
    if (text.indexOf(QLatin1Char('.'), 2) >= 0 || text.indexOf(QLatin1Char('*'), 3) >= 0)
        return fail("错误：文件类型过滤标识从第3个字符起，不允许出现“.”或“*”！重新检查输入！", text, 2,
                    true);
    TypeCheck ok;
    ok.text = text;
    return ok;
}

long long countMatchingFiles(const QString &folder, const QString &pattern, bool includeHidden)
{
    long long n = 0;
    for (const QString &name : plainFileNames(folder))
        if ((includeHidden || !name.startsWith(QLatin1Char('.'))) && wildcardMatch(pattern, name))
            ++n;
    return n;
}

// ---- The window's handlers ------------------------------------------------------------

namespace {

// Eats the mouse press that tried to take the focus from a control whose
// validation kept it; that press is delivered right after the focus change, so
// the filter goes at the next turn of the event loop. A release without its
// press clicks nothing.
class PressEater : public QObject {
public:
    PressEater()
    {
        qApp->installEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            qApp->removeEventFilter(this);
            deleteLater();
        });
    }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        return o->isWidgetType()
            && (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick);
    }
};

// Key filter and validation of Combo1. Keys reach the combo box (its line edit
// forwards focus to it); replacements are typed into the line edit directly.
class Combo1Filter : public QObject {
public:
    explicit Combo1Filter(FDispatch &w) : QObject(&w), w_(w) {}

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (replaying_)
            return false;
        switch (e->type()) {
        case QEvent::KeyPress:
            return keyPress(static_cast<QKeyEvent *>(e));
        case QEvent::InputMethod:
            return inputMethod(static_cast<QInputMethodEvent *>(e));
        case QEvent::ContextMenu:
            if (watched != w_.Combo1->lineEdit())
                return false;
            contextMenu(static_cast<QContextMenuEvent *>(e));
            return true;
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(e);
            typeText(drop->mimeData()->text());
            drop->acceptProposedAction();
            return true;
        }
        case QEvent::FocusOut:
            if (watched == w_.Combo1 && !validating_)
                focusOut(static_cast<QFocusEvent *>(e));
            return false;
        default:
            return false;
        }
    }

private:
    // Text that arrives all at once (an input method, a paste, a drop) goes
    // through the key rule one character at a time, as if typed.
    void typeText(const QString &text)
    {
        QLineEdit *le = w_.Combo1->lineEdit();
        for (QChar c : text) {
            QChar key = c;
            w_.Combo1_KeyPress(key);
            if (key.isNull())
                continue;
            if (key == QChar(8))
                le->backspace();
            else
                le->insert(QString(key));
            w_.combo1Typed = true;
        }
    }

    bool inputMethod(QInputMethodEvent *e)
    {
        if (e->commitString().isEmpty())
            return false; // composing only: nothing enters the field yet
        typeText(e->commitString());
        QInputMethodEvent rest(e->preeditString(), e->attributes());
        replaying_ = true;
        QCoreApplication::sendEvent(w_.Combo1->lineEdit(), &rest);
        replaying_ = false;
        return true;
    }

    void contextMenu(QContextMenuEvent *e)
    {
        QLineEdit *le = w_.Combo1->lineEdit();
        std::unique_ptr<QMenu> menu(le->createStandardContextMenu());
        for (QAction *a : menu->actions()) {
            if (a->objectName() != QLatin1String("edit-paste"))
                continue;
            a->disconnect();
            connect(a, &QAction::triggered, this, [this] { typeText(QGuiApplication::clipboard()->text()); });
        }
        menu->exec(e->globalPos());
    }

    bool keyPress(QKeyEvent *e)
    {
        if (e->matches(QKeySequence::Paste)) {
            typeText(QGuiApplication::clipboard()->text());
            return true;
        }
        QChar key;
        if (e->key() == Qt::Key_Backspace) {
            key = QChar(8);
        } else if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) {
            return false;
        } else if ((e->modifiers() & Qt::ControlModifier) && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z) {
            key = QChar(e->key() - Qt::Key_A + 1); // control characters such as Ctrl+V
        } else if (!e->text().isEmpty()) {
            key = e->text().at(0);
        } else {
            return false; // caret and editing keys are no typed characters
        }
        QChar replaced = key;
        w_.Combo1_KeyPress(replaced);
        if (replaced == key)
            return false;
        if (!replaced.isNull()) {
            QLineEdit *le = w_.Combo1->lineEdit();
            QKeyEvent typed(QEvent::KeyPress, replaced == QLatin1Char('*') ? Qt::Key_Asterisk : Qt::Key_Period,
                            Qt::NoModifier, QString(replaced));
            replaying_ = true;
            QCoreApplication::sendEvent(le, &typed);
            replaying_ = false;
        }
        return true;
    }

    void focusOut(QFocusEvent *e)
    {
        // The combo's own list and other windows taking the focus leave the control
        // in place; only a move inside the window validates.
        if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason)
            return;
        if (!w_.isVisible() || !w_.Combo1->isEnabled())
            return;
        validating_ = true;
        bool cancel = false;
        w_.Combo1_Validate(cancel);
        if (cancel) {
            // The control clicked to take the focus does not get the click either.
            if (e->reason() == Qt::MouseFocusReason)
                new PressEater;
            w_.Combo1->setFocus(Qt::OtherFocusReason);
            // The line edit drops its selection when it sees this focus-out, after
            // us; put the caret and selection back once the event is through.
            QLineEdit *le = w_.Combo1->lineEdit();
            const int start = le->hasSelectedText() ? le->selectionStart() : le->cursorPosition();
            const int length = int(le->selectedText().size());
            QTimer::singleShot(0, le, [le, start, length] {
                le->setCursorPosition(start);
                if (length > 0)
                    le->setSelection(start, length);
            });
        }
        validating_ = false;
    }

    FDispatch &w_;
    bool replaying_ = false;
    bool validating_ = false;
};

} // namespace

QStringList FDispatch::typePatterns()
{
    static const char *const exts[] = {
        "*",    "aam",  "acr",  "adi",  "ai",   "aif",  "aiff", "api",  "avi",  "bmk",  "bmp",
        "box",  "bun",  "bw",   "bwv",  "byu",  "c0l",  "cab",  "cad",  "cam",  "cap",  "cas",
        "cch",  "cch",  "cco",  "cct",  "cda",  "cdr",  "cdx",  "cgm",  "chm",  "cmf",  "cmp",
        "cmv",  "cmx",  "cpt",  "cpx",  "dat",  "dbx",  "dib",  "dig",  "dmf",  "doc",  "dsm",
        "dv",   "dwd",  "dwg",  "dxf",  "emf",  "eps",  "epsf", "esps", "fif",  "fla",  "flc",
        "fli",  "flt",  "fm",   "fp3",  "fpt",  "fpx",  "gif",  "gt2",  "icb",  "ilbm", "jpeg",
        "jpg",  "kfx",  "lbm",  "m1v",  "m3d",  "m3u",  "mac",  "mic",  "mid",  "mmm",  "mng",
        "mov",  "mp2",  "mp3",  "mpa",  "mpe",  "pal",  "pbm",  "pcm",  "pcs",  "pcx",  "pdd",
        "pdf",  "pgl",  "pgm",  "pic",  "pm6",  "pp4",  "ppt",  "psd",  "psp",  "pwp",  "qif",
        "qt",   "qti",  "qts",  "qtx",  "ra",   "ram",  "rar",  "ras",  "raw",  "rec",  "rgb",
        "rle",  "rm",   "rtf",  "rtm",  "s3m",  "sf",   "tga",  "tif",  "tiff", "txt",  "vda",
        "voc",  "vox",  "vst",  "wav",  "wmf",  "wpg",  "wps",  "wvl",  "xbm",  "xls",  "zip",
    };
    QStringList r;
    for (const char *e : exts)
        r << QStringLiteral("*.") + QString::fromLatin1(e);
    return r;
}

void FDispatch::wireInput()
{
    Combo1->addItems(typePatterns());
    Combo1->setCurrentIndex(0);
    // Typing is filtered key by key; inline completion would change the text
    // behind the filter's back.
    Combo1->setCompleter(nullptr);

    auto *filter = new Combo1Filter(*this);
    Combo1->installEventFilter(filter);
    Combo1->lineEdit()->installEventFilter(filter);

    connect(CmdIn, &QPushButton::clicked, this, &FDispatch::CmdIn_Click);
    connect(LDir, &CaptionLabel::dropped, this, &FDispatch::LDir_OLEDragDrop);
    connect(LDir, &CaptionLabel::captionChanged, this, &FDispatch::LDir_Change);
    connect(ChHide, &QCheckBox::toggled, this, &FDispatch::ChHide_Click);
    connect(Combo1, &QComboBox::editTextChanged, this, &FDispatch::Combo1_Change);
    connect(Combo1->lineEdit(), &QLineEdit::textEdited, this, [this] { combo1Typed = true; });
    connect(Combo1, &QComboBox::activated, this, &FDispatch::Combo1_Click);
    connect(LFilename, &CaptionLabel::captionChanged, this, &FDispatch::LFilename_Change);
}

void FDispatch::CmdIn_Click()
{
    const QString refused = QStringLiteral("该目录不可用，请重新指定。");
    for (;;) {
        const QString path = PickFolder(QStringLiteral("选择输出目录："), paths::driveRoot(programFolder()),
                                        false, startup.workFolder);
        if (path.contains(QLatin1Char('{'))) {
            shell().message(refused, QStringLiteral("警告"), Icon::Critical, Buttons::Ok);
            continue;
        }
        if (path.isEmpty())
            return;
        // Probe: the chosen folder must open. Getting back to the old folder is
        // not required; a vanished old folder must not lock out every new one.
        const QString old = File1->path();
        setTag(File1, old);
        const bool opens = File1->setPath(path);
        if (opens && !old.isEmpty())
            File1->setPath(old);
        File1->refresh();
        if (!opens) {
            shell().message(refused, QStringLiteral("警告"), Icon::Critical, Buttons::Ok);
            continue;
        }
        LDir->setCaption(path);
        return;
    }
}

void FDispatch::LDir_OLEDragDrop(const QList<QUrl> &urls)
{
    if (dispatchRun) { // a run reads this folder until it ends
        shell().beep();
        return;
    }
    for (const QUrl &u : urls) {
        const QString p = u.isLocalFile() ? paths::native(localPathOf(u)) : QString();
        if (!p.isEmpty() && paths::folderExists(p)) {
            LDir->setCaption(paths::withoutTrailingSep(p));
            return;
        }
    }
    shell().beep();
}

void FDispatch::LDir_Change()
{
    if (!isVisible())
        return;
    const ListingReuse once; // counted and listed from one reading of the folder
    const QString folder = LDir->caption();
    cat.splitPaths.clear();
    const long long n = countMatchingFiles(folder, Combo1->currentText(), ChHide->isChecked());
    LFiles->setCaption(QString::number(n));
    const bool listed = File1->setPath(folder);
    // The first file shown must belong to the folder now chosen.
    LFilename->setCaption(listed && File1->listCount() > 0 ? File1->list(0) : tagOf(LFilename));
    setTag(CmdDown, QStringLiteral("0"));
    setTag(CmdUp, QStringLiteral("0"));
}

void FDispatch::ChHide_Click()
{
    const bool doEnabled = CmdDo->isEnabled();
    const ListingReuse once;
    File1->setHidden(ChHide->isChecked());
    File1->refresh();
    LDir_Change();
    CmdDo->setEnabled(doEnabled);
}

void FDispatch::Combo1_Change()
{
    combo1ChangeThisTurn = true;
    QTimer::singleShot(0, this, [this] { combo1ChangeThisTurn = false; });
    const ListingReuse once; // one reading of the folder for the whole change

    File1->setPattern(listingPatternFor(Combo1->currentText())); // refreshes
    LFiles->setCaption(QString::number(File1->listCount()));
    setTag(CmdDown, QStringLiteral("0"));
    setTag(CmdUp, QStringLiteral("0"));
    LFilename->setCaption(File1->listCount() > 0 ? File1->list(0) : tagOf(LFilename));
    LDir_Change();
}

void FDispatch::Combo1_Click()
{
    combo1Typed = false;
    // Picking an entry whose text differs has already run the change rule.
    if (!combo1ChangeThisTurn)
        Combo1_Change();
    combo1ChangeThisTurn = false;
}

void FDispatch::Combo1_KeyPress(QChar &key)
{
    QLineEdit *le = Combo1->lineEdit();
    const QString t = le->text();
    const bool all = !t.isEmpty() && le->selectedText().size() == t.size();
    bool beep = false;
    key = filterTypeKey(key, int(t.size()), all, beep);
    if (beep)
        shell().beep();
}

void FDispatch::Combo1_Validate(bool &cancel)
{
    if (!combo1Typed)
        return;
    const TypeCheck c = checkTypeText(Combo1->currentText());
    if (c.ok)
        return;
    cancel = true;
    shell().message(c.message, QStringLiteral("错误——非法文件类型"), Icon::Critical, Buttons::Ok);
    if (Combo1->currentText() != c.text)
        Combo1->setEditText(c.text);
    Combo1->lineEdit()->setSelection(c.caret, c.selectLength);
    if (c.selectLength == 0)
        Combo1->lineEdit()->setCursorPosition(c.caret);
}

void FDispatch::LFilename_Change()
{
    if (LFilename->caption() == tagOf(LFilename))
        LFoldName->setCaption(tagOf(LFoldName));
}

} // namespace fd
