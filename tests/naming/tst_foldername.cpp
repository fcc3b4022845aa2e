// The folder name cut out of a file name: dispatch, preview and pattern check.
#include "naming/FolderName.h"
#include "platform/Paths.h"

#include <QTest>

using namespace fd;
using Kind = DerivedName::Kind;
using Shown = PreviewName::Kind;
Q_DECLARE_METATYPE(fd::NameRule)

namespace {

using V = NameRule::Variant;
NameRule suffix() { return NameRule{.variant = V::TrailingSuffix}; }
NameRule position(long long n, long long m, bool toEnd = false, bool reverse = false)
{
    return NameRule{.variant = V::Position, .first = n, .last = m, .toEnd = toEnd, .reverse = reverse};
}
NameRule pattern(const QString &p, long long group = 0, bool ignoreCase = false)
{
    return NameRule{.pattern = p, .ignoreCase = ignoreCase, .useGroup = group > 0, .group = group};
}
QString file(const QString &base) { return paths::native(QStringLiteral("/in/") + base + QStringLiteral(".jpg")); }

} // namespace

class FolderNameTest : public QObject {
    Q_OBJECT
private slots:
    void dispatchName_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<NameRule>("rule");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        const int N = int(Kind::Name), Bad = int(Kind::InvalidArgument);
        const NameRule any = pattern(QStringLiteral(".+"));
        QTest::newRow("dots inside the base") << file("a.b") << any << N << "a.b";
        QTest::newRow("no dot at all") << paths::native("/in/file") << any << Bad << "";
        QTest::newRow("dot in a folder part") << paths::native("/in.old/file") << any << N << "in";
        QTest::newRow("bare name") << QStringLiteral("x y.jpg") << any << N << "x y";
        QTest::newRow("suffix") << file("photo (3)") << suffix() << N << "photo";
        QTest::newRow("last suffix only") << file("photo (3) (4)") << suffix() << N << "photo (3)";
        QTest::newRow("suffix without space") << file("photo(3)") << suffix() << N << "photo(3)";
        QTest::newRow("full-width, leading space") << file(" photo （12）") << suffix() << N << "photo";
        QTest::newRow("two spaces") << file("photo  (3)") << suffix() << N << "photo";
        QTest::newRow("suffix alone") << file("(3)") << suffix() << N << "(3)";
        QTest::newRow("tab stays") << file("photo\t") << suffix() << N << "photo\t";
        QTest::newRow("forward past the end") << file("AB") << position(3, 6) << N << "";
        QTest::newRow("forward") << file("Paris_Day_IMG") << position(1, 5) << N << "Paris";
        QTest::newRow("forward to the end") << file("Paris_Day_IMG") << position(7, 1, true) << N << "Day_IMG";
        QTest::newRow("positions on the untrimmed base") << file(" AB") << position(2, 2) << N << "A";
        QTest::newRow("one unit per CJK character") << file("北京天安门") << position(3, 5) << N << "天安门";
        QTest::newRow("reversed") << file("Paris_Day_IMG") << position(1, 3, false, true) << N << "IMG";
        QTest::newRow("reversed to the start") << file("Paris_Day_IMG") << position(5, 1, true, true) << N
                                               << "Paris_Day";
        QTest::newRow("reversed to the start, empty") << file("ABC") << position(4, 1, true, true) << N << "";
        QTest::newRow("reversed to the start, before it") << file("ABC") << position(5, 1, true, true) << Bad << "";
        QTest::newRow("reversed range") << file("ABCDE") << position(2, 3, false, true) << N << "CD";
        QTest::newRow("reversed range before the start") << file("ABCDE") << position(2, 6, false, true) << Bad
                                                         << "";
        QTest::newRow("whole match, greedy") << file("2024-01-05") << pattern("(.+)(\\-)") << N << "2024-01-";
        QTest::newRow("group 1") << file("2024-01-05") << pattern("(.+)(\\-)", 1) << N << "2024-01";
        QTest::newRow("group 2") << file("2024-01-05") << pattern("(.+)(\\-)", 2) << N << "-";
        QTest::newRow("empty group hands over") << file("x12") << pattern("(\\d*)x(\\d+)", 1) << N << "12";
        QTest::newRow("groups run out, G = 1") << file("x") << pattern("(\\d*)x", 1) << N << "";
        QTest::newRow("groups run out, G = 2") << file("a") << pattern("(a)(\\d*)", 2) << N << "a";
        QTest::newRow("group above the count") << file(" photo ") << pattern("photo", 1) << N << "photo";
        QTest::newRow("group trimmed") << file("trip -01") << pattern("(.+)-", 1) << N << "trip";
        QTest::newRow("ignoring case") << file("img_0001") << pattern("IMG", 0, true) << N << "img";
        QTest::newRow("case counts") << file("img_0001") << pattern("IMG") << int(Kind::NoMatch) << "";
        QTest::newRow("invalid pattern") << file("a") << pattern("(\\d+") << int(Kind::InvalidPattern) << "";
    }
    void dispatchName()
    {
        QFETCH(QString, reference);
        QFETCH(NameRule, rule);
        const DerivedName d = folderNameFor(reference, rule);
        QTEST(int(d.kind), "kind");
        QTEST(d.text, "name");
    }

    // Where the preview shows something else than the dispatch would use.
    void previewName_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<NameRule>("rule");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("shown");
        const int S = int(Shown::Show);
        QTest::newRow("invalid reversed range: whole base") << "ABC" << position(5, 1, true, true) << S << "ABC";
        QTest::newRow("spaces kept") << " x " << pattern(".+") << S << " x ";
        QTest::newRow("empty group shown") << "x12" << pattern("(\\d*)x(\\d+)", 1) << S << "";
        QTest::newRow("group above the count") << "photo" << pattern("photo", 1) << int(Shown::KeepReset) << "";
        QTest::newRow("no match") << "photo" << pattern("\\d") << int(Shown::KeepReset) << "";
        QTest::newRow("invalid pattern") << "photo" << pattern("(") << int(Shown::InvalidPattern) << "";
        QTest::newRow("suffix") << "photo (3)" << suffix() << S << "photo";
    }
    void previewName()
    {
        QFETCH(QString, base);
        QFETCH(NameRule, rule);
        const PreviewName p = previewNameFor(base, rule);
        QTEST(int(p.kind), "kind");
        QTEST(p.text, "shown");
    }

    void patternCheck_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("warn");
        QTest::addColumn<int>("groups");
        QTest::newRow("two groups") << "(\\d+)-(\\d+)" << false << 2;
        QTest::newRow("nested") << "((\\d+))" << true << 1;
        QTest::newRow("escaped only") << "\\(\\d+\\)" << false << 0;
        QTest::newRow("invalid") << "(\\d+" << true << 1;
    }
    void patternCheck()
    {
        QFETCH(QString, pattern);
        const PatternCheck c = checkNamePattern(pattern);
        QTEST(c.warn, "warn");
        QTEST(c.groups, "groups");
    }
};

QTEST_GUILESS_MAIN(FolderNameTest)
#include "tst_foldername.moc"
