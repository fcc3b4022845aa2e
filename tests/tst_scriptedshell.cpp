// A dialog no test scripted must neither hang nor stop the test program: it is
// closed, and the test that raised it fails when its shell goes away.
#include "ScriptedShell.h"

#include <QTest>

using namespace fd;
using namespace fd::test;

class TstScriptedShell : public QObject {
    Q_OBJECT
private slots:
    void unansweredMessageIsClosed_data();
    void unansweredMessageIsClosed();
    void unansweredInputAndFolderGetEmptyText();
};

void TstScriptedShell::unansweredMessageIsClosed_data()
{
    QTest::addColumn<Buttons>("buttons");
    QTest::addColumn<Answer>("closing");
    QTest::newRow("ok") << Buttons::Ok << Answer::Ok;
    QTest::newRow("ok cancel") << Buttons::OkCancel << Answer::Cancel;
    QTest::newRow("retry cancel") << Buttons::RetryCancel << Answer::Cancel;
    QTest::newRow("yes no") << Buttons::YesNo << Answer::No;
    QTest::newRow("yes no cancel") << Buttons::YesNoCancel << Answer::Cancel;
}

void TstScriptedShell::unansweredMessageIsClosed()
{
    QFETCH(Buttons, buttons);
    QFETCH(Answer, closing);
    ScriptedShell sh;
    QCOMPARE(sh.message(QStringLiteral("q"), QStringLiteral("t"), Icon::Question, buttons, Answer::Yes), closing);
    QCOMPARE(sh.count(CallKind::Message), 1);
    QEXPECT_FAIL("", "no answer was scripted", Continue);
    sh.verifyNoUnexpectedDialogs();
    sh.verifyNoUnexpectedDialogs(); // already charged: no second failure
}

void TstScriptedShell::unansweredInputAndFolderGetEmptyText()
{
    ScriptedShell sh;
    QCOMPARE(sh.input(QStringLiteral("p"), QStringLiteral("t"), QStringLiteral("default")), QString());
    QCOMPARE(sh.chooseFolder(QStringLiteral("t"), QStringLiteral("/"), false), QString());
    QCOMPARE(sh.calls.size(), 2);
    QEXPECT_FAIL("", "no answer was scripted; charged when the shell goes away", Continue);
}

QTEST_APPLESS_MAIN(TstScriptedShell)
#include "tst_scriptedshell.moc"
