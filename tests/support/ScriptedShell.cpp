#include "ScriptedShell.h"

#include <QTest>
#include <cstdio>
#include <cstdlib>

namespace fd::test {

ScriptedShell::ScriptedShell() : previous_(&shell()) { setShell(this); }
// A shell made inside a test hands the dialogs back to the one it replaced.
ScriptedShell::~ScriptedShell() { setShell(previous_); }

int ScriptedShell::count(const QString &kind) const
{
    int n = 0;
    for (const auto &c : calls)
        n += (c.kind == kind);
    return n;
}

QList<ShellCall> ScriptedShell::ofKind(const QString &kind) const
{
    QList<ShellCall> r;
    for (const auto &c : calls)
        if (c.kind == kind)
            r.append(c);
    return r;
}

const ShellCall *ScriptedShell::last(const QString &kind) const
{
    for (int i = calls.size() - 1; i >= 0; --i)
        if (calls[i].kind == kind)
            return &calls[i];
    return nullptr;
}

void ScriptedShell::unexpected(const QString &kind, const QString &title, const QString &text)
{
    // A test must never hang on a dialog: fail loudly and stop.
    const QByteArray msg = QStringLiteral("Unexpected %1 dialog, title \"%2\", text \"%3\"")
                               .arg(kind, title, text).toUtf8();
    std::fprintf(stderr, "FAIL! %s\n", msg.constData());
    std::fflush(stderr);
    QTest::qFail(msg.constData(), __FILE__, __LINE__);
    std::abort();
}

Answer ScriptedShell::message(const QString &text, const QString &title, Icon icon, Buttons buttons,
                              Answer defaultButton)
{
    calls.append({QStringLiteral("message"), title, text, icon, buttons, defaultButton, {}, false});
    if (onRetryQuestion && buttons == Buttons::RetryCancel)
        onRetryQuestion();
    if (messages_.isEmpty()) {
        if (autoOk_ && buttons == Buttons::Ok)
            return Answer::Ok;
        unexpected(QStringLiteral("message"), title, text);
    }
    return messages_.takeFirst();
}

QString ScriptedShell::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    calls.append({QStringLiteral("input"), title, prompt, Icon::None, Buttons::OkCancel, Answer::Ok,
                  defaultText, false});
    if (inputs_.isEmpty())
        unexpected(QStringLiteral("input"), title, prompt);
    return inputs_.takeFirst();
}

QString ScriptedShell::chooseFolder(const QString &title, const QString &initialFolder, bool newStyle)
{
    calls.append({QStringLiteral("folder"), title, QString(), Icon::None, Buttons::OkCancel, Answer::Ok,
                  initialFolder, newStyle});
    if (folders_.isEmpty())
        unexpected(QStringLiteral("folder"), title, initialFolder);
    return folders_.takeFirst();
}

void ScriptedShell::beep() { calls.append({QStringLiteral("beep"), {}, {}, Icon::None, Buttons::Ok, Answer::Ok, {}, false}); }

void ScriptedShell::openFolder(const QString &folder)
{
    calls.append({QStringLiteral("openFolder"), {}, folder, Icon::None, Buttons::Ok, Answer::Ok, {}, false});
}

void ScriptedShell::showFileSelected(const QString &file)
{
    calls.append({QStringLiteral("showFile"), {}, file, Icon::None, Buttons::Ok, Answer::Ok, {}, false});
}

void ScriptedShell::openUrl(const QString &url)
{
    calls.append({QStringLiteral("url"), {}, url, Icon::None, Buttons::Ok, Answer::Ok, {}, false});
}

void ScriptedShell::openFile(const QString &file)
{
    calls.append({QStringLiteral("openFile"), {}, file, Icon::None, Buttons::Ok, Answer::Ok, {}, false});
}

void ScriptedShell::startProgram(const QString &program, const QString &parameters)
{
    calls.append({QStringLiteral("program"), {}, program, Icon::None, Buttons::Ok, Answer::Ok, parameters, false});
}

} // namespace fd::test
