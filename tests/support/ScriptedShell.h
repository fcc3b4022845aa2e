#pragma once
// Scripted stand-in for the platform shell: answers come from a queue and every
// call is recorded. A dialog without a queued answer is closed (Cancel / No / empty)
// and fails the test when the shell goes away at the end of it, so the remaining
// tests still run and clean up after themselves.
#include "platform/Shell.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace fd::test {

enum class CallKind { Message, Input, Folder, Beep, OpenFolder, ShowFile, Url, OpenFile, Program };

struct ShellCall {
    CallKind kind;
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
    int count(CallKind kind) const;
    QList<ShellCall> ofKind(CallKind kind) const;
    const ShellCall *last(CallKind kind) const;
    void clear() { calls.clear(); }
    bool pendingAnswers() const { return !messages_.isEmpty() || !inputs_.isEmpty() || !folders_.isEmpty(); }

    // Fails the current test for every dialog that had no answer, then forgets them.
    // Runs when the shell is destroyed; a shell that outlives one test function
    // calls it from the test's cleanup().
    void verifyNoUnexpectedDialogs();

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
    void unexpected(const QString &kind, const QString &title, const QString &text);
    QStringList unexpected_;
    QList<Answer> messages_;
    QStringList inputs_;
    QStringList folders_;
    bool autoOk_ = false;
    Shell *previous_ = nullptr;
};

} // namespace fd::test
