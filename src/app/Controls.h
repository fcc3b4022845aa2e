#pragma once
// Small control classes that give the window's controls the event behaviour its
// rules rely on: captions with change rules, tags, dropped folders, double clicks.
#include <QLabel>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <initializer_list>

class QToolButton;
class QAbstractButton;
class QCheckBox;
class QRadioButton;

namespace fd {

// A control's tag: a small stored text.
QString tagOf(const QObject *o);
void setTag(QObject *o, const QString &tag);

// Selects or deselects an option button; deselecting the selected one of a group
// is allowed (the group may end with nothing selected).
void setOption(QRadioButton *b, bool selected);

// One row of a table of control states. A check box set from code runs its click
// rule, which may read or change other controls, so rows apply in their order and
// a row sets the check before the enabled state unless it says EnableFirst.
struct ControlState {
    enum Order { CheckFirst, EnableFirst };
    ControlState(QCheckBox *box, bool checked, bool enabled, Order order = CheckFirst)
        : box(box), checked(checked), enabled(enabled), order(order) {}
    ControlState(QWidget *control, bool enabled) : control(control), enabled(enabled) {}

    QCheckBox *box = nullptr;   // a check box: checked and enabled
    QWidget *control = nullptr; // any other control: enabled only
    bool checked = false;
    bool enabled;
    Order order = CheckFirst;
};
void applyStates(std::initializer_list<ControlState> rows);

// Label whose caption has a change rule: setCaption() emits captionChanged only
// when the text really changes. Optionally accepts dropped files and folders.
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget *parent = nullptr);
    // The caption is the text given; a path's bytes that are not UTF-8 show as
    // replacement characters but stay in the caption.
    QString caption() const { return text() == shown_ ? caption_ : text(); }
    void setCaption(const QString &text);
    void setAcceptsDrops(bool on);

signals:
    void captionChanged();
    void dropped(const QList<QUrl> &urls);
    void doubleClicked();

protected:
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dragMoveEvent(QDragMoveEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;

private:
    QString caption_, shown_;
};

// Up/down spinner that steps a whole number between bounds; writes nothing itself.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);
    int value() const { return value_; }
    void setValue(int v);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    void setMinimum(int m);
    void setMaximum(int m);
    void stepUp() { setValue(value_ + 1); }
    void stepDown() { setValue(value_ - 1); }

signals:
    void valueChanged(int value);

private:
    int value_ = 1, min_ = 1, max_ = 200;
    QToolButton *up_, *down_;
};

} // namespace fd
