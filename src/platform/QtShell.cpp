#include "platform/QtShell.h"
#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace fd {

namespace {
QtShell g_realShell;

QMessageBox::StandardButton toQt(Answer a)
{
    switch (a) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Retry: return QMessageBox::Retry;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
    }
    return QMessageBox::Ok;
}
} // namespace

void useRealDialogs() { setRealShell(&g_realShell); }

Answer QtShell::message(const QString &text, const QString &title, Icon icon, Buttons buttons,
                        Answer defaultButton)
{
    QMessageBox box;
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    QMessageBox::StandardButtons set;
    Answer escape = Answer::Ok;
    switch (buttons) {
    case Buttons::Ok: set = QMessageBox::Ok; escape = Answer::Ok; break;
    case Buttons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; escape = Answer::Cancel; break;
    case Buttons::RetryCancel: set = QMessageBox::Retry | QMessageBox::Cancel; escape = Answer::Cancel; break;
    case Buttons::YesNo: set = QMessageBox::Yes | QMessageBox::No; escape = Answer::No; break;
    case Buttons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; escape = Answer::Cancel; break;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(toQt(defaultButton));
    box.setEscapeButton(toQt(escape));
    switch (box.exec()) {
    case QMessageBox::Ok: return Answer::Ok;
    case QMessageBox::Retry: return Answer::Retry;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return escape;
    }
}

QString QtShell::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    QString t = QInputDialog::getText(nullptr, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? t : QString();
}

QString QtShell::saveFile(const QString &title, const QString &suggested)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, suggested,
                                        QStringLiteral("CSV (*.csv)"));
}

QString QtShell::chooseFolder(const QString &title, const QString &initialFolder, bool newStyle)
{
    QFileDialog dlg(nullptr, title, initialFolder);
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOption(QFileDialog::ShowDirsOnly, true);
    if (!newStyle)
        dlg.setOption(QFileDialog::ReadOnly, true); // no new folders in the classic style
    if (!initialFolder.isEmpty())
        dlg.setDirectory(initialFolder);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return QDir::toNativeSeparators(dlg.selectedFiles().first());
}

void QtShell::beep() { QApplication::beep(); }

void QtShell::openFolder(const QString &folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void QtShell::showFileSelected(const QString &file)
{
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("explorer.exe"),
                            {QStringLiteral("/select,") + QDir::toNativeSeparators(file)});
#else
    // Without a file manager on the session bus, the folder at least.
    if (!showItemsOnBus(file, QDBusConnection::sessionBus()))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
#endif
}

void QtShell::openUrl(const QString &url) { QDesktopServices::openUrl(QUrl(url)); }

void QtShell::openFile(const QString &file)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void QtShell::startProgram(const QString &program, const QString &parameters)
{
    QProcess::startDetached(program, QProcess::splitCommand(parameters));
}

} // namespace fd
