// Small option switches, the status bar and the message-processing pause.
#include "app/FDispatch.h"

#include "platform/Clock.h"
#include "platform/Shell.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLocale>
#include <QRadioButton>
#include <QThread>
#include <QTimer>

namespace fd {

namespace {

// A button's keyboard shortcut clicks without moving the focus, so the field
// being left would never validate. Move the focus first, as a mouse click does;
// when the field keeps it, the shortcut does nothing.
class ShortcutFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() != QEvent::Shortcut)
            return false;
        auto *b = static_cast<QAbstractButton *>(o);
        if (b->focusPolicy() == Qt::NoFocus || b->hasFocus())
            return false;
        b->setFocus(Qt::ShortcutFocusReason);
        return b->window()->focusWidget() != b;
    }
};

} // namespace

void FDispatch::wireApp()
{
    auto *shortcuts = new ShortcutFocus(this);
    for (QAbstractButton *b : findChildren<QAbstractButton *>())
        b->installEventFilter(shortcuts);
    connect(ChOvewr, &QCheckBox::toggled, this, [this] { ChOvewr_Click(); });
    connect(ChRen, &QCheckBox::toggled, this, [this] { ChRen_Click(); });
    connect(ChBig, &QCheckBox::toggled, this, [this] { ChBig_Click(); });
    connect(ChFoldDo, &QCheckBox::toggled, this, [this] { ChFoldDo_Click(); });
    connect(ChFJ, &QCheckBox::toggled, this, [this] { ChFJ_Click(); });
    for (int i = 0; i < statusPanels.size(); ++i)
        connect(statusPanels[i], &CaptionLabel::doubleClicked, this,
                [this, i] { StatusBar1_PanelDblClick(i + 1); });
    connect(statusClock_, &QTimer::timeout, this, &FDispatch::refreshStatusClock);
    refreshStatusClock();
    statusClock_->start();
}

void FDispatch::ChOvewr_Click()
{
    if (ChOvewr->isChecked())
        ChRen->setChecked(false);
}

void FDispatch::ChRen_Click()
{
    if (ChRen->isChecked())
        ChOvewr->setChecked(false);
}

void FDispatch::ChBig_Click()
{
    if (ChBig->isChecked()) {
        shell().beep();
        ChBig->setChecked(false);
    }
}

void FDispatch::ChFoldDo_Click()
{
    if (ChFoldDo->isChecked()) {
        ChFoldDo->setChecked(false);
        shell().beep();
    }
}

void FDispatch::ChFJ_Click()
{
    ChSubFold->setEnabled(true);
    Opt1->setEnabled(true);
    Opt2->setEnabled(true);
    Opt3->setEnabled(true);
    if (ChFJ->isChecked()) {
        ChSubFold->setChecked(false);
        ChSubFold->setEnabled(false);
        Opt1->setEnabled(false);
        Opt2->setEnabled(false);
        Opt3->setEnabled(false);
    }
}

void FDispatch::StatusBar1_PanelDblClick(int panel)
{
    if (panel == 1)
        shell().openUrl(homePage());
}

void FDispatch::refreshStatusClock()
{
    const QDateTime now = clock().now();
    const QLocale loc;
    statusPanels[2]->setCaption(loc.toString(now.date(), QLocale::ShortFormat));
    statusPanels[3]->setCaption(loc.toString(now.time(), QLocale::LongFormat));
}

} // namespace fd
