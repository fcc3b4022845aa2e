// The engine's reads of the window's controls and its reports back to them.
#include "app/WindowPort.h"

#include "app/FDispatch.h"
#include "app/TextNumbers.h"
#include "catalogue/CatalogueModel.h"
#include "outputs/FlexGrid.h"
#include "platform/Shell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeView>

namespace fd {

Port &FDispatch::port()
{
    if (!port_)
        port_ = std::make_unique<WindowPort>(*this);
    return *port_;
}

CatalogueState &WindowPort::catalogue() { return w.cat; }
CatalogueModel &WindowPort::rows() { return *w.catalogue; }
FileList &WindowPort::fileList() { return *w.File1; }
DrawPool &WindowPort::drawPool() { return w.draw; }

ModeSwitches WindowPort::modeSwitches() const
{
    ModeSwitches s;
    s.customFolders = w.Opt3->isChecked();
    s.customOnly = w.customOnlyMode();
    s.folderFromName = w.ChFoldTrunck->isChecked();
    s.sameContent = w.ChSame->isChecked();
    s.include = w.ChInClude->isChecked();
    s.common = w.ChOverLay->isChecked();
    s.draw = w.ChRndDraw->isChecked();
    s.manual = w.ChMamal->isChecked();
    s.sweep = w.ChFJ->isChecked();
    s.timed = w.ChRndTime->isChecked();
    return s;
}

// Renaming wins over overwriting.
Clash WindowPort::clash() const
{
    if (w.ChRen->isChecked())
        return Clash::Rename;
    return w.ChOvewr->isChecked() ? Clash::Overwrite : Clash::Skip;
}

bool WindowPort::moving() const { return w.ChBackUp->isChecked(); }
bool WindowPort::sequential() const { return w.ChNum->isChecked(); }
bool WindowPort::numeric() const { return w.ChN->isChecked(); }
int WindowPort::listOrderColumn() const { return w.CombOrder->currentIndex(); }
bool WindowPort::ascending() const { return w.OptA->isChecked(); }
bool WindowPort::progressAsBar() const { return w.ChProg->isChecked(); }
bool WindowPort::walkSubfolders() const { return w.ChSubFold->isChecked(); }
QString WindowPort::inputFolder() const { return w.LDir->caption(); }
QString WindowPort::outputFolder() const { return w.LDirOut->caption(); }
QString WindowPort::typeFilter() const { return w.Combo1->currentText(); }
QString WindowPort::fileCountText() const { return w.LFiles->caption(); }

ShareSettings WindowPort::shares() const
{
    return {w.Opt1->isChecked(), textnum::wholeValue(w.TParts->text()), textnum::wholeValue(w.TDivs->text())};
}

long long WindowPort::commonCharacters() const { return textnum::wholeValue(w.TNum->text()); }
bool WindowPort::ignoreCase() const { return w.ChOmit->isChecked(); }

NameRule WindowPort::nameRule() const
{
    NameRule r;
    if (w.ChOmitRear->isChecked())
        r.variant = NameRule::Variant::TrailingSuffix;
    else if (w.ChTrunck->isChecked())
        r.variant = NameRule::Variant::Position;
    r.first = textnum::wholeValue(w.LTrunckS->caption());
    r.last = textnum::wholeValue(w.LTrunckE->caption());
    r.toEnd = w.ChTrunckEnd->isChecked();
    r.reverse = w.ChReverse->isChecked();
    r.pattern = w.TNewFold->text();
    r.ignoreCase = w.ChOmit->isChecked();
    r.useGroup = w.ChBracketNo->isChecked();
    r.group = textnum::wholeValue(w.LBracketNo->caption());
    return r;
}

// The list item stands for the mobile-number expression; typed text is the expression.
QString WindowPort::sameContentPattern() const
{
    const QString text = w.CmbSame->currentText();
    if (w.CmbSame->count() > 0 && text == w.CmbSame->itemText(0))
        return QStringLiteral("\\d{11}");
    return text;
}

bool WindowPort::onlyLastFolderInNames() const { return w.Option2->isChecked(); }

QVector<OutputFolder> WindowPort::outputFolders() const
{
    QVector<OutputFolder> out;
    const FlexGrid *g = w.MSFlexGrid1;
    out.reserve(g->rows() - 1);
    for (int row = 1; row < g->rows(); ++row)
        out.append({g->textMatrix(row, 0), g->textMatrix(row, 1)});
    return out;
}

bool WindowPort::hasOutputFolder(const QString &path) const { return w.MSFlexGrid1->hasInColumn0(path); }
bool WindowPort::stopRequested() const { return w.stopRequested; }
int WindowPort::timedLowSeconds() const { return w.timedLow; }
int WindowPort::timedHighSeconds() const { return w.timedHigh; }

QString WindowPort::title() const { return w.windowTitle(); }
void WindowPort::setTitle(const QString &title) { w.setWindowTitle(title); }
QString WindowPort::savedTitle() const { return w.windowTag(); }
void WindowPort::saveTitle() { w.setWindowTag(w.windowTitle()); }
void WindowPort::setProgressPercent(int percent) { w.P1->setValue(percent); }
void WindowPort::setFileCountText(const QString &count) { w.LFiles->setCaption(count); }

void WindowPort::appendOutputFolder(const QString &path, const QString &name)
{
    w.appendOutputRow(path, name);
    if (w.MSFlexGrid1->rows() % 7 == 0)
        w.MSFlexGrid1->setTopRow(w.MSFlexGrid1->rows() - 1);
}

void WindowPort::showOutputRow(int row)
{
    FlexGrid *g = w.MSFlexGrid1;
    if (row < 1) {
        if (g->rows() > 1) {
            g->setCurrentCell(0, 0);
            g->setTopRow(1);
        }
        return;
    }
    g->setCurrentCell(row - 1, 0);
    if (row - 8 >= 1)
        g->setTopRow(row - 8);
}

void WindowPort::showListOrder()
{
    QHeaderView *h = w.ListView1->header();
    h->setSortIndicatorShown(true);
    h->setSortIndicator(w.catalogue->sortColumn(), w.catalogue->sortOrder());
    w.ListView1->viewport()->update();
}

void WindowPort::lockForRun()
{
    for (QWidget *c : std::initializer_list<QWidget *>{w.CmdDo, w.CmdPlan, w.CmdOut, w.CmdIn, w.Opt1, w.Opt2,
                                                       w.Opt3, w.Combo1, w.TDivs, w.TNum, w.Frame1, w.Frame2,
                                                       w.Frame3, w.ChRndDraw})
        c->setEnabled(false);
    // Folders dropped now would change what the run reads and writes.
    w.LDir->setAcceptsDrops(false);
    w.LDirOut->setAcceptsDrops(false);
}

void WindowPort::beforeReport() { w.MSFlexGrid1->setEnabled(false); }

void WindowPort::unlockAfterRun(const RunEnding &e)
{
    w.setEnabled(true);
    w.LDir->setAcceptsDrops(true);
    w.LDirOut->setAcceptsDrops(true);
    if (e.moved)
        w.LFiles->setCaption(QStringLiteral("0"));
    w.ChBackUp->setChecked(false);
    if (!e.folderToShow.isEmpty())
        shell().openFolder(e.folderToShow);
    if (!e.draw)
        setOption(w.Opt1, true);
    w.ChRndTime->setChecked(false);
    w.Timer1->stop();
    for (QWidget *x : std::initializer_list<QWidget *>{w.CmdDo, w.CmdPlan, w.CmdOut, w.CmdIn, w.Opt1, w.Opt2,
                                                       w.Opt3, w.Combo1, w.TDivs, w.TNum, w.Frame1, w.Frame2})
        x->setEnabled(true);
    w.ChProg->setChecked(false);
    w.P1->setValue(0);
    for (QWidget *x : std::initializer_list<QWidget *>{w.CmdIn, w.CmdOut, w.Opt1, w.Opt2, w.Opt3, w.Frame1,
                                                       w.Combo1, w.TParts, w.TDivs})
        x->setEnabled(true);
}

void WindowPort::finalSettings(const RunEnding &e)
{
    w.ChFJ->setChecked(false);
    w.ChFJ->setEnabled(true);
    w.ChBig->setEnabled(true);
    w.MSFlexGrid1->setEnabled(true);
    w.ChOvewr->setChecked(true);
    if (e.draw)
        w.ChRndDraw_Click();
    w.ChRndDraw->setEnabled(true);
}

void WindowPort::lockSweepSwitches()
{
    w.ChFJ->setEnabled(false);
    w.ChBig->setEnabled(false);
}

void WindowPort::focusOutputButton() { w.CmdOut->setFocus(); }
void WindowPort::focusSameContentPattern() { w.CmbSame->setFocus(); }

void WindowPort::settleSameContentPattern()
{
    // A button shortcut leaves the focus in the box: the text is checked as if it had left.
    if (w.CmbSame->hasFocus())
        w.CmbSame_Validate();
}

void WindowPort::startTicks(int ms)
{
    if (ms < 0)
        w.Timer1->start();
    else
        w.Timer1->start(ms);
}

void WindowPort::stopTicks() { w.Timer1->stop(); }
bool WindowPort::ticking() const { return w.Timer1->isActive(); }
long long WindowPort::tickPosition() const { return textnum::wholeValue(tagOf(w.Timer1)); }
void WindowPort::setTickPosition(long long p) { setTag(w.Timer1, QString::number(p)); }

} // namespace fd
