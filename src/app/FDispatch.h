#pragma once
// The main window. It owns every setting control and all state of a session;
// the rules of each subsystem are members defined in that subsystem's folder.
#include <QMainWindow>
#include <functional>
#include <memory>
#include <QString>
#include <QStringList>
#include <QVector>

#include "app/Controls.h"
#include "app/Events.h"
#include "app/Startup.h"
#include "catalogue/Catalogue.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;
class QTreeView;

namespace fd {

class CatalogueModel;
class DispatchRun;
class FileList;
class FlexGrid;
class Port;
class WindowPort;

class FDispatch : public QMainWindow {
    Q_OBJECT
public:
    static QString caption() { return QStringLiteral("岚拓文件分发助手"); }

    explicit FDispatch(QWidget *parent = nullptr);
    ~FDispatch() override;

    // ---- app/ : startup, shutdown, option switches, status bar ------------------
    // Startup sequence; false when the program must end at once (second copy).
    bool Form_Load();
    // Closing question; sets cancel when the window must stay open.
    void Form_Unload(bool &cancel);
    void ChOvewr_Click();
    void ChRen_Click();
    void ChBig_Click();
    void ChFoldDo_Click();
    void ChFJ_Click();
    void StatusBar1_PanelDblClick(int panel);
    void refreshStatusClock();

    // Long operations (walks, scans, the dispatch run) count themselves here, so a
    // close confirmed in the middle of one stops it at the next file instead of
    // leaving it to run on with the window gone.
    int longOperations = 0;
    bool stopRequested = false;
    struct LongOperation {
        explicit LongOperation(FDispatch &w) : w(w) { ++w.longOperations; }
        ~LongOperation() { --w.longOperations; }
        FDispatch &w;
    };

    // Window tag: the saved title during long operations.
    QString windowTag() const { return tagOf(this); }
    void setWindowTag(const QString &t) { setTag(this, t); }
    // The maker's page opened from the status bar.
    static QString homePage() { return QStringLiteral("https://www.example.com/"); }

    // ---- State of the subsystems ------------------------------------------------------
    StartupPaths startup;  // computed once at startup
    CatalogueState cat;    // catalogue/
    DrawPool draw;         // dispatch/: random draw
    CatalogueModel *catalogue = nullptr; // rows of ListView1
    // What the engine reads and reports through (app/WindowPort.cpp).
    Port &port();

    // ---- Rules of other subsystems that startup calls -------------------------------
    void LDir_Change();     // catalogue/: input-folder change rule
    void CombOrder_Click(); // catalogue/: sort key choice
    void TDivs_Change();    // dispatch/: share derivation

    // ---- catalogue/: input folder and filter ---------------------------------------
    // Patterns offered by Combo1, in list order.
    static QStringList typePatterns();
    void CmdIn_Click();
    void LDir_OLEDragDrop(const QList<QUrl> &urls);
    void ChHide_Click();
    void Combo1_Change();
    void Combo1_Click();
    // key: the typed character (8 = backspace); set to 0 to drop it, or replace it.
    void Combo1_KeyPress(QChar &key);
    void Combo1_Validate(bool &cancel);
    void LFilename_Change();
    bool combo1Typed = false;       // Combo1's text was typed, not picked from the list
    bool combo1ChangeThisTurn = false; // the change rule already ran for the current pick

    // ---- catalogue/: catalogue sorting ------------------------------------------------
    void OptA_Click();
    void OptD_Click();
    // Sorts the list view on the chosen column and direction, kept sorted from now on.
    void applyListOrder();
    // Numeric list order: the list view sorted on its sort-value column "排序数值",
    // direction as last set; the dispatch run calls it before a numeric sequential run.
    void sortListOnNumber();
    bool combOrderChanged_ = false; // the index change already ran the rule for this pick

    // ---- outputs/: output folder list, picker, folder walk ----------------------------
    void CmdOut_Click();
    void MSFlexGrid1_DblClick();
    void MSFlexGrid1_MouseUp(Qt::MouseButton button);
    void LDirOut_OLEDragDrop(const QList<QUrl> &urls);
    void LFolds_Change();
    void Opt3_Click();
    void ChCustom_Click();
    void ChSubFold_Click();
    // Custom-only mode: Opt3 selected, ChCustom checked, CmbCustom on its first item.
    bool customOnlyMode() const;
    // The picker loop of CmdOut: asks until a usable folder is chosen; "" on cancel.
    QString chooseOutputFolder();
    // True when a chosen path may be used as an output folder (system folders refused
    // on newer systems, virtual locations, folders that cannot be listed).
    bool outputFolderUsable(const QString &path) const;
    // CmdOut after the choice: current output folder, rows of the list, input folder
    // rows removed. False when the folder was already listed (single add; beeps).
    bool takeOutputFolder(const QString &path);
    // Appends one row (path, own name) and raises the folder count by one.
    void appendOutputRow(const QString &path, const QString &name);
    // Removes the rows whose folder has the input folder's name; answers how many.
    int removeInputFolderRows();

    // ---- dispatch/: share settings ----------------------------------------------------
    // Key filters: answer the key to pass on, 0 to swallow it (with a beep).
    int TParts_KeyPress(int keyAscii);
    int TDivs_KeyPress(int keyAscii);
    int TNum_KeyPress(int keyAscii);
    void TParts_Change();
    void TParts_Validate();
    void TDivs_Validate();
    // Timed-mode validation of TDivs (range "a-b"); cancel keeps the focus in the field.
    void TDivs_ValidateTimed(bool &cancel);
    void TNum_Validate();
    void Opt1_Click();
    void Opt2_Click();
    void LFiles_Change();

    // ---- dispatch/: dispatch run, rules, transfer, failure log ------------------------
    void CmdDo_Click();
    // The plan of the run CmdDo would start, in its own window (dispatch/PlanWindow.cpp).
    void CmdPlan_Click();
    // CmdDo's checks and questions; false when the run is refused.
    bool readyToDispatch();
    // Takes back the last run from its journal, after asking.
    void CmdUndo_Click();
    // CmdUndo is enabled while a journal waits and nothing runs.
    void refreshUndo();
    bool undoing = false;
    void ChNum_Click();
    void ChInClude_Click();
    void ChOverLay_Click();
    void ChSame_Click();
    // Focus leaving CmbSame: a bare "|" is refused.
    void CmbSame_Validate();
    void wireSameContent(); // dispatch/SameContentMode.cpp, called by wireDispatch
    // The running dispatch (dispatch/DispatchRun.h); null between runs.
    DispatchRun *dispatchRun = nullptr;
    // Random draw, manual mode and timed random dispatch.
    void ChRndDraw_Click();
    void ChMamal_Click();
    void ChRndTime_Click();
    void Timer1_Timer();
    // Bounds in seconds of the timed range in TDivs, as its validation last read them.
    int timedLow = 1;
    int timedHigh = 3;

    // ---- naming/ ----------------------------------------------------------------------
    void ChFoldTrunck_Click();
    void ChTrunck_Click();
    void ChTrunckEnd_Click();
    void ChReverse_Click();
    void ChBracketNo_Click();
    void ChOmitRear_Click();
    void LTrunckS_Change();
    void TNewFold_GotFocus();
    void TNewFold_Validate();
    void CmdPre_Click();
    void CmdUp_Click();
    void CmdDown_Click();
    bool cmdDoBeforeFoldTrunck = true; // CmdDo's state when the name rule was turned on

    // ---- regex_tester/ and update/ ----------------------------------------------------
    void CmdHelp_Click();
    void CmdRex2_Click();
    void CmdUpdate_Click();
    // Startup: the update notice for a file already in the work folder, then the
    // fetch of a fresh one in the background when an update location is set.
    void startUpdateNotice();
    // Reads and deletes the work folder's Dispatch.txt; enables CmdUpdate on news.
    void readUpdateNotice();
    bool updateRunning = false; // a click of CmdUpdate is still at work

    // ---- Wiring of each subsystem's handlers (defined in its folder) -----------------
    void wireApp();      // app/Switches.cpp
    void wireInput();    // catalogue/InputFolder.cpp
    void wireSorting();  // catalogue/Sorting.cpp
    void wireOutputs();  // outputs/OutputFolders.cpp
    void wireShares();   // dispatch/Shares.cpp
    void wireDispatch(); // dispatch/DispatchRun.cpp
    void wireNaming();   // naming/NamingWiring.cpp
    void wireRegexTester(); // regex_tester/HelpButtons.cpp
    void wireUpdate();   // update/SelfUpdate.cpp

    // ---- Controls: every control carries its name as objectName ----------------------
    // Input folder and filter
    QPushButton *CmdIn = nullptr;
    CaptionLabel *LDir = nullptr;
    QComboBox *Combo1 = nullptr;
    QCheckBox *ChHide = nullptr;
    CaptionLabel *LFiles = nullptr;
    CaptionLabel *LFilename = nullptr;
    FileList *File1 = nullptr;
    // Catalogue
    QTreeView *ListView1 = nullptr;
    QCheckBox *ChProg = nullptr;
    QProgressBar *P1 = nullptr;
    QGroupBox *Frame3 = nullptr; // sort controls
    QComboBox *CombOrder = nullptr;
    QRadioButton *OptA = nullptr;
    QRadioButton *OptD = nullptr;
    QCheckBox *ChN = nullptr;
    QCheckBox *ChNum = nullptr;
    // Output folders
    QPushButton *CmdOut = nullptr;
    CaptionLabel *LDirOut = nullptr;
    FlexGrid *MSFlexGrid1 = nullptr;
    CaptionLabel *LFolds = nullptr;
    // Mode and shares
    QRadioButton *Opt1 = nullptr;
    QRadioButton *Opt2 = nullptr;
    QRadioButton *Opt3 = nullptr;
    QLineEdit *TParts = nullptr;
    QLineEdit *TDivs = nullptr;
    QLineEdit *TNum = nullptr;
    // Path structure
    QGroupBox *Frame1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QRadioButton *Option1 = nullptr;
    // Rule switches
    QCheckBox *ChBackUp = nullptr;
    QCheckBox *ChOvewr = nullptr;
    QCheckBox *ChRen = nullptr;
    QCheckBox *ChBig = nullptr;
    QCheckBox *ChFoldDo = nullptr;
    QCheckBox *ChMamal = nullptr;
    QCheckBox *ChRndDraw = nullptr;
    QCheckBox *ChRndTime = nullptr;
    QCheckBox *ChSubFold = nullptr;
    QCheckBox *ChCustom = nullptr;
    QComboBox *CmbCustom = nullptr;
    QCheckBox *ChInClude = nullptr;
    QCheckBox *ChOverLay = nullptr;
    QCheckBox *ChOmit = nullptr;
    QCheckBox *ChSame = nullptr;
    QComboBox *CmbSame = nullptr;
    QPushButton *CmdRex2 = nullptr;
    QCheckBox *ChFoldTrunck = nullptr;
    QCheckBox *ChFJ = nullptr;
    // Name extraction frame
    QGroupBox *Frame2 = nullptr;
    QCheckBox *ChDraw = nullptr;
    QLineEdit *TNewFold = nullptr;
    QCheckBox *ChTrunck = nullptr;
    QCheckBox *ChTrunckEnd = nullptr;
    QCheckBox *ChReverse = nullptr;
    QCheckBox *ChBracketNo = nullptr;
    QCheckBox *ChOmitRear = nullptr;
    CaptionLabel *LTrunckS = nullptr;
    CaptionLabel *LTrunckE = nullptr;
    CaptionLabel *LBracketNo = nullptr;
    UpDown *UpDown1 = nullptr;
    UpDown *UpDown2 = nullptr;
    UpDown *UpDown3 = nullptr;
    CaptionLabel *LFoldName = nullptr;
    QPushButton *CmdHelp = nullptr;
    QPushButton *CmdPre = nullptr;
    QPushButton *CmdUp = nullptr;
    QPushButton *CmdDown = nullptr;
    QCheckBox *ChRex = nullptr;
    // Labels with captions
    QLabel *Label1 = nullptr;  // 当前目录文件总数：
    QLabel *Label3 = nullptr;  // 每份抽取：
    QLabel *Label4 = nullptr;  // 均分份数：
    QLabel *Label5 = nullptr;  // 共同字符数：
    QLabel *Label6 = nullptr;  // 导入目录下的第一个文件名：
    QLabel *Label7 = nullptr;  // 对括号内的内容作为新文件夹名
    QLabel *Label8 = nullptr;  // ——第
    QLabel *Label9 = nullptr;  // 个字符作为新文件夹名
    QLabel *Label10 = nullptr; // 提取出指定的内容新建而得的新文件夹名：
    QLabel *Label13 = nullptr; // 含相同内容的正则表达式：
    // Dispatch and update
    QPushButton *CmdDo = nullptr;
    QPushButton *CmdPlan = nullptr;
    QPushButton *CmdUndo = nullptr;
    QPushButton *CmdUpdate = nullptr;
    QLineEdit *TV = nullptr; // version text, hidden
    QTimer *Timer1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QList<CaptionLabel *> statusPanels; // panels 1..5 at indexes 0..4

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void buildControls();
    void layoutControls();
    void fitCatalogueColumns();
    QTimer *statusClock_ = nullptr;
    std::unique_ptr<WindowPort> port_;
    bool closeConfirmed_ = false;
    void closeWhenIdle();
};

} // namespace fd
