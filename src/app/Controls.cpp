#include "app/Controls.h"

#include "platform/NativeName.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace fd {

QString tagOf(const QObject *o) { return o->property("tag").toString(); }
void setTag(QObject *o, const QString &tag) { o->setProperty("tag", tag); }

void setOption(QRadioButton *b, bool selected)
{
    if (b->isChecked() == selected)
        return;
    if (selected) {
        b->setChecked(true);
        return;
    }
    const bool excl = b->autoExclusive();
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(excl);
}

void applyStates(std::initializer_list<ControlState> rows)
{
    for (const ControlState &r : rows) {
        if (!r.box) {
            r.control->setEnabled(r.enabled);
        } else if (r.order == ControlState::EnableFirst) {
            r.box->setEnabled(r.enabled);
            r.box->setChecked(r.checked);
        } else {
            r.box->setChecked(r.checked);
            r.box->setEnabled(r.enabled);
        }
    }
}

CaptionLabel::CaptionLabel(QWidget *parent) : QLabel(parent) {}

void CaptionLabel::setCaption(const QString &t)
{
    if (t == caption() && text() == visibleName(t))
        return;
    caption_ = t;
    shown_ = visibleName(t);
    setText(shown_);
    emit captionChanged();
}

void CaptionLabel::setAcceptsDrops(bool on) { setAcceptDrops(on); }

void CaptionLabel::dragEnterEvent(QDragEnterEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void CaptionLabel::dragMoveEvent(QDragMoveEvent *e)
{
    if (e->mimeData()->hasUrls())
        e->acceptProposedAction();
}

void CaptionLabel::dropEvent(QDropEvent *e)
{
    if (!e->mimeData()->hasUrls())
        return;
    e->acceptProposedAction();
    emit dropped(e->mimeData()->urls());
}

void CaptionLabel::mouseDoubleClickEvent(QMouseEvent *e)
{
    QLabel::mouseDoubleClickEvent(e);
    emit doubleClicked();
}

UpDown::UpDown(QWidget *parent) : QWidget(parent)
{
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    for (auto *b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFixedSize(16, 11);
        lay->addWidget(b);
    }
    connect(up_, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(down_, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setValue(int v)
{
    v = qBound(min_, v, qMax(min_, max_));
    if (v == value_)
        return;
    value_ = v;
    emit valueChanged(v);
}

void UpDown::setMinimum(int m)
{
    min_ = m;
    if (value_ < min_)
        setValue(min_);
}

void UpDown::setMaximum(int m)
{
    max_ = m;
    if (value_ > max_ && max_ >= min_)
        setValue(max_);
}

} // namespace fd
