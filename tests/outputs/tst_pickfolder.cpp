// The folder picker: clean-up of the initial and the chosen path in both path
// styles, the fallback to the work folder, and what reaches the chooser.
#include "Fixture.h"
#include "outputs/PickFolder.h"

#include <QDir>
#include <QTest>

using namespace fd;
using namespace fd::test;

namespace {
const PathStyle posixStyle{QLatin1Char('/'), false};
const PathStyle windowsStyle{QLatin1Char('\\'), true};
} // namespace

class TstPickFolder : public QObject {
    Q_OBJECT
private slots:
    void initialFolder_data()
    {
        QTest::addColumn<bool>("win");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("empty stays empty") << false << QString() << QString();
        QTest::newRow("root") << false << "/" << "/";
        QTest::newRow("folder gets a separator") << false << "/home/u" << "/home/u/";
        QTest::newRow("doubled separators") << false << "/home//u//" << "/home/u/";
        QTest::newRow("drive root") << true << "D:\\" << "D:\\";
        QTest::newRow("chinese folder") << true << "D:\\照片\\二〇二四" << "D:\\照片\\二〇二四\\";
    }
    void initialFolder()
    {
        QFETCH(bool, win);
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(normaliseInitialFolder(in, win ? windowsStyle : posixStyle), out);
    }

    void pickedFolder_data()
    {
        QTest::addColumn<bool>("win");
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("cancel") << false << QString() << QString();
        QTest::newRow("root stays the root") << false << "/" << "/";
        QTest::newRow("trailing separator") << false << "/srv/data/" << "/srv/data";
        QTest::newRow("doubled inside") << false << "/srv//data" << "/srv/data";
        QTest::newRow("run of separators at the end") << false << "/srv/data//" << "/srv/data";
        QTest::newRow("run of three inside") << false << "/srv///data" << "/srv/data";
        QTest::newRow("no network prefix here") << false << "//server/share" << "/server/share";
        QTest::newRow("drive root loses its separator") << true << "D:\\" << "D:";
        QTest::newRow("network path keeps its prefix") << true << "\\\\server\\share\\dir"
                                                        << "\\\\server\\share\\dir";
        QTest::newRow("windows trailing and doubled") << true << "C:\\a\\\\b\\" << "C:\\a\\b";
        QTest::newRow("network path with a doubled end") << true << "\\\\server\\share\\\\" << "\\\\server\\share";
    }
    void pickedFolder()
    {
        QFETCH(bool, win);
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(normalisePickedFolder(in, win ? windowsStyle : posixStyle), out);
    }

    void fallbackToWorkFolder()
    {
        const auto exists = [](const QString &p) { return p == QLatin1String("/real"); };
        QCOMPARE(resolvePickedFolder(QStringLiteral("/real/"), "/work/", exists, posixStyle), QStringLiteral("/real"));
        QCOMPARE(resolvePickedFolder(QStringLiteral("/virtual"), "/work/", exists, posixStyle), QStringLiteral("/work/"));
        QCOMPARE(resolvePickedFolder(QString(), "/work/", exists, posixStyle), QString());
        // The chooser's buffer ends at the first NUL.
        QCOMPARE(resolvePickedFolder(QStringLiteral("/real") + QChar(0) + "junk", "/work/", exists, posixStyle),
                 QStringLiteral("/real"));
    }

    void chooserGetsTitleSelectionAndStyle()
    {
        ScriptedShell shell;
        QTemporaryDir dir;
        shell.answerFolder(dir.path() + "//");
        QCOMPARE(PickFolder(QStringLiteral("选择输出目录："), QStringLiteral("/"), true, QStringLiteral("/w/")),
                 dir.path());
        const ShellCall *c = shell.last(CallKind::Folder);
        QCOMPARE(c->title, QStringLiteral("选择输出目录："));
        QCOMPARE(c->defaultText, QStringLiteral("/"));
        QVERIFY(c->newStyle);

        shell.answerFolder(dir.path() + "/not-there");
        QCOMPARE(PickFolder(QStringLiteral("t"), dir.path(), false, QStringLiteral("/w/")), QStringLiteral("/w/"));
        QCOMPARE(shell.last(CallKind::Folder)->defaultText, dir.path() + "/");
        QVERIFY(!shell.last(CallKind::Folder)->newStyle);
    }
};

QTEST_MAIN(TstPickFolder)
#include "tst_pickfolder.moc"
