#pragma once
// A non-visual file list: the files of one folder that match a listing pattern
// (";"-separated wild cards, case-insensitive), sorted by name without regard to case.
#include <QObject>
#include <QStringList>

namespace fd {

class FileList : public QObject {
    Q_OBJECT
public:
    explicit FileList(QObject *parent = nullptr);

    QString path() const { return path_; }
    // Fails (returns false, keeps the old folder) when the folder cannot be opened.
    bool setPath(const QString &folder);
    QString pattern() const { return pattern_; }
    void setPattern(const QString &p) { pattern_ = p; refresh(); }
    bool hidden() const { return hidden_; }
    void setHidden(bool on) { hidden_ = on; }

    void refresh();
    int listCount() const { return int(names_.size()); }
    QString list(int i) const { return names_.value(i); }
    const QStringList &names() const { return names_; }

private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
    bool hidden_ = false;
    QStringList names_;
};

} // namespace fd
