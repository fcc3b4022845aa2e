#include "ScriptedShell.h"

#include <QTest>
#include <cstdio>
#include <cstdlib>

namespace fd::test {

ScriptedShell::ScriptedShell() : previous_(&shell()) { setShell(this); }
// A shell made inside a test hands the dialogs back to the one it replaced.
ScriptedShell::~ScriptedShell()
{
    verifyNoUnexpectedDialogs();
    setShell(previous_);
}

int ScriptedShell::count(CallKind kind) const
{
    int n = 0;
    for (const auto &c : calls)
        n += (c.kind == kind);
    return n;
}

QList<ShellCall> ScriptedShell::ofKind(CallKind kind) const
{
    QList<ShellCall> r;
    for (const auto &c : calls)
        if (c.kind == kind)
            r.append(c);
    return r;
}

const ShellCall *ScriptedShell::last(CallKind kind) const
{
    for (int i = calls.size() - 1; i >= 0; --i)
        if (calls[i].kind == kind)
            return &calls[i];
    return nullptr;
}

namespace {

// What closing the dialog without pressing a button answers.
Answer closingAnswer(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel:
    case Buttons::RetryCancel:
    case Buttons::YesNoCancel: break;
    }
    return Answer::Cancel;
}

[[noreturn]] void stopProgram(const QByteArray &msg)
{
    std::fprintf(stderr, "FAIL! %s\n", msg.constData());
    std::fflush(stderr);
    std::abort();
}

} // namespace

void ScriptedShell::unexpected(const QString &kind, const QString &title, const QString &text)
{
    QString where;
    if (const char *fn = QTest::currentTestFunction()) {
        where = QString::fromLatin1(fn);
        if (const char *tag = QTest::currentDataTag())
            where += QStringLiteral("(%1)").arg(QString::fromUtf8(tag));
    }
    const QString msg = QStringLiteral("Unexpected %1 dialog in %2, title \"%3\", text \"%4\"")
                            .arg(kind, where, title, text);
    unexpected_.append(msg);
    // Code that asks again after every closed dialog would never end.
    if (unexpected_.size() > 100)
        stopProgram(msg.toUtf8() + " (asked over and over)");
}

void ScriptedShell::verifyNoUnexpectedDialogs()
{
    if (unexpected_.isEmpty())
        return;
    const QByteArray msg = unexpected_.join(QLatin1Char('\n')).toUtf8();
    unexpected_.clear();
    if (!QTest::currentTestFunction())
        stopProgram(msg); // no test to charge it to (a benchmark, or after the last test)
    QTest::qFail(msg.constData(), __FILE__, __LINE__);
}

Answer ScriptedShell::message(const QString &text, const QString &title, Icon icon, Buttons buttons,
                              Answer defaultButton)
{
    calls.append({CallKind::Message, title, text, icon, buttons, defaultButton, {}, false});
    if (onRetryQuestion && buttons == Buttons::RetryCancel)
        onRetryQuestion();
    if (messages_.isEmpty()) {
        if (!(autoOk_ && buttons == Buttons::Ok))
            unexpected(QStringLiteral("message"), title, text);
        return closingAnswer(buttons);
    }
    return messages_.takeFirst();
}

QString ScriptedShell::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    calls.append({CallKind::Input, title, prompt, Icon::None, Buttons::OkCancel, Answer::Ok,
                  defaultText, false});
    if (inputs_.isEmpty()) {
        unexpected(QStringLiteral("input"), title, prompt);
        return QString();
    }
    return inputs_.takeFirst();
}

QString ScriptedShell::chooseFolder(const QString &title, const QString &initialFolder, bool newStyle)
{
    calls.append({CallKind::Folder, title, QString(), Icon::None, Buttons::OkCancel, Answer::Ok,
                  initialFolder, newStyle});
    if (folders_.isEmpty()) {
        unexpected(QStringLiteral("folder"), title, initialFolder);
        return QString();
    }
    return folders_.takeFirst();
}

void ScriptedShell::beep() { calls.append({CallKind::Beep, {}, {}, Icon::None, Buttons::Ok, Answer::Ok, {}, false}); }

void ScriptedShell::openFolder(const QString &folder)
{
    calls.append({CallKind::OpenFolder, {}, folder, Icon::None, Buttons::Ok, Answer::Ok, {}, false});
}

void ScriptedShell::showFileSelected(const QString &file)
{
    calls.append({CallKind::ShowFile, {}, file, Icon::None, Buttons::Ok, Answer::Ok, {}, false});
}

void ScriptedShell::openUrl(const QString &url)
{
    calls.append({CallKind::Url, {}, url, Icon::None, Buttons::Ok, Answer::Ok, {}, false});
}

void ScriptedShell::openFile(const QString &file)
{
    calls.append({CallKind::OpenFile, {}, file, Icon::None, Buttons::Ok, Answer::Ok, {}, false});
}

void ScriptedShell::startProgram(const QString &program, const QString &parameters)
{
    calls.append({CallKind::Program, {}, program, Icon::None, Buttons::Ok, Answer::Ok, parameters, false});
}

} // namespace fd::test
