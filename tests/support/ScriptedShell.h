#pragma once
// Scripted stand-in for the platform shell: answers come from a queue, every call
// is recorded, and a dialog without a queued answer fails the test at once.
#include "platform/Shell.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace fd::test {

struct ShellCall {
    QString kind; // "message", "input", "folder", "beep", "openFolder", "showFile", "url", "openFile", "program"
    QString title;
    QString text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    Answer defaultButton = Answer::Ok;
    QString defaultText; // input default text, folder initial selection, program parameters
    bool newStyle = false;
};

class ScriptedShell : public Shell {
public:
    ScriptedShell();  // installs itself as the process shell
    ~ScriptedShell() override; // restores the shell it replaced

    // Queue answers, consumed in order by the next dialogs of the matching kind.
    void answerMessage(Answer a) { messages_.append(a); }
    void answerInput(const QString &text) { inputs_.append(text); }
    void answerFolder(const QString &path) { folders_.append(path); }
    // Messages whose kind has no queued answer get Ok silently when this is set.
    void setAutoOk(bool on) { autoOk_ = on; }
    // Runs when a message box with Retry and Cancel comes, before it is answered
    // (a test frees disk space there, as the user would).
    std::function<void()> onRetryQuestion;

    QList<ShellCall> calls;
    int count(const QString &kind) const;
    QList<ShellCall> ofKind(const QString &kind) const;
    const ShellCall *last(const QString &kind) const;
    void clear() { calls.clear(); }
    bool pendingAnswers() const { return !messages_.isEmpty() || !inputs_.isEmpty() || !folders_.isEmpty(); }

    Answer message(const QString &text, const QString &title, Icon icon, Buttons buttons,
                   Answer defaultButton) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString chooseFolder(const QString &title, const QString &initialFolder, bool newStyle) override;
    void beep() override;
    void openFolder(const QString &folder) override;
    void showFileSelected(const QString &file) override;
    void openUrl(const QString &url) override;
    void openFile(const QString &file) override;
    void startProgram(const QString &program, const QString &parameters) override;

private:
    [[noreturn]] void unexpected(const QString &kind, const QString &title, const QString &text);
    QList<Answer> messages_;
    QStringList inputs_;
    QStringList folders_;
    bool autoOk_ = false;
    Shell *previous_ = nullptr;
};

} // namespace fd::test
