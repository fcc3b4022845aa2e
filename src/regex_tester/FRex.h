#pragma once
// The regular-expression tester: find and replace tests on a source text, with
// the matches and their groups shown one at a time.
#include "app/Controls.h"
#include "platform/RegexMatcher.h"

#include <QDialog>
#include <QStringList>
#include <QVector>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace fd {

// Removes the escapes "\r" and "\n" from a pattern; an escaped backslash
// followed by r or n is a literal and stays.
QString removeLineBreakEscapes(const QString &pattern);

class FRex : public QDialog {
    Q_OBJECT
public:
    static QString caption() { return QStringLiteral("正则表达式自我学习机"); }
    static constexpr int kFieldLimit = 65536;

    explicit FRex(QWidget *parent = nullptr);

    void Form_Load();
    void TL_Change();
    void TL_Validate();
    void ChAll_Click();
    void ChC_Click();
    void ChM_Click();
    void CmdFind_Click();
    void CmdRep_Click();
    void Ln_Change();
    void LSub_Change();
    void LSub_DblClick();
    // The group spinner was touched (focus or arrows): groups may show again.
    void UpDown2_Used();

    const RegexMatcher &matcher() const { return matcher_; }
    int matchCount() const { return int(matchTexts_.size()); }

    QLineEdit *TS = nullptr;
    QLineEdit *TS2 = nullptr;
    QLineEdit *TL = nullptr;
    QLineEdit *TR = nullptr;
    QCheckBox *ChAll = nullptr;
    QCheckBox *ChC = nullptr;
    QCheckBox *ChM = nullptr;
    QPushButton *CmdFind = nullptr;
    QPushButton *CmdRep = nullptr;
    QLabel *LReport = nullptr;
    QLabel *LRet = nullptr;
    CaptionLabel *Ln = nullptr;
    UpDown *UpDown1 = nullptr;
    CaptionLabel *LSub = nullptr;
    UpDown *UpDown2 = nullptr;
    QPlainTextEdit *Text1 = nullptr;

protected:
    bool eventFilter(QObject *o, QEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    void buildControls();
    void wire();
    QString source() const;
    void disableReplace();

    RegexMatcher matcher_;
    // Matches of the last successful find test, and per match its group texts.
    QVector<QString> matchTexts_;
    QVector<QStringList> groupTexts_;
    bool groupLock_ = false;
};

// The rule of both help buttons: the help document, then a fresh modal tester.
void showRegexTester(QWidget *owner);

} // namespace fd
