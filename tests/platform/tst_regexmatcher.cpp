#include "platform/RegexMatcher.h"

#include <QTest>

using fd::RegexMatcher;
using fd::RegexSyntaxError;

class TstRegexMatcher : public QObject {
    Q_OBJECT
private slots:
    void greedyAndLazy();
    void bracketSuffixPattern_data();
    void bracketSuffixPattern();
    void systemPatterns();
    void numberPatternDotMatchesAnyCharacter();
    void charactersNotBytes();
    void settings();
    void executeFirstOrAll();
    void replaceTemplates();
    void replaceEmptyMatchesGlobally();
    void endAnchorWithoutMultiLine();
    void unicodeEscapes();
    void invalidPatternFailsAtFirstUse();
};

void TstRegexMatcher::greedyAndLazy()
{
    RegexMatcher m(QStringLiteral("(.+)(\\-)"));
    const auto r = m.execute(QStringLiteral("2024-01-05"));
    QCOMPARE(r.size(), 1);
    QCOMPARE(r[0].subMatches.value(0), QStringLiteral("2024-01"));
    QCOMPARE(r[0].subMatches.value(1), QStringLiteral("-"));

    RegexMatcher lazy(QStringLiteral("a.+?b"));
    QCOMPARE(lazy.execute(QStringLiteral("a1b2b")).value(0).value, QStringLiteral("a1b"));
}

void TstRegexMatcher::bracketSuffixPattern_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<QString>("group1");
    QTest::newRow("ascii brackets") << QStringLiteral("报告 (2)") << true << QStringLiteral("报告");
    QTest::newRow("full-width") << QStringLiteral("A B （副本）") << true << QStringLiteral("A B");
    QTest::newRow("book title marks") << QStringLiteral("书名 《上》") << true << QStringLiteral("书名");
    QTest::newRow("two suffixes: greedy name") << QStringLiteral("名 (1) (2)") << true << QStringLiteral("名 (1)");
    QTest::newRow("several blanks") << QStringLiteral("x   【a】") << true << QStringLiteral("x  ");
    QTest::newRow("no blank") << QStringLiteral("名(1)") << false << QString();
    QTest::newRow("text after bracket") << QStringLiteral("名 (1)x") << false << QString();
}

void TstRegexMatcher::bracketSuffixPattern()
{
    QFETCH(QString, subject);
    QFETCH(bool, matches);
    QFETCH(QString, group1);
    RegexMatcher m(QStringLiteral("(.+)[ ]+?[\\(（\\[【\\{《].+?[\\)）\\]】\\}》]$"));
    QCOMPARE(m.test(subject), matches);
    const auto r = m.execute(subject);
    QCOMPARE(r.isEmpty(), !matches);
    if (matches)
        QCOMPARE(r[0].subMatches.value(0), group1);
}

void TstRegexMatcher::systemPatterns()
{
    RegexMatcher mobile(QStringLiteral("\\d{11}"));
    QCOMPARE(mobile.execute(QStringLiteral("张三13812345678备注")).value(0).value,
             QStringLiteral("13812345678"));
    QVERIFY(!mobile.test(QStringLiteral("1381234567")));

    RegexMatcher range(QStringLiteral("(\\d+)\\-(\\d+)"));
    const auto r = range.execute(QStringLiteral("第12-345页"));
    QCOMPARE(r.value(0).subMatches, QStringList({QStringLiteral("12"), QStringLiteral("345")}));

    RegexMatcher dots(QStringLiteral("(\\.+)(\\-)"));
    QCOMPARE(dots.execute(QStringLiteral("a..-b")).value(0).subMatches.value(0), QStringLiteral(".."));
    QVERIFY(!dots.test(QStringLiteral("ab-c")));

    RegexMatcher closing(QStringLiteral("[\\)）\\]】\\}》]$"));
    for (const QString &s : {QStringLiteral("a)"), QStringLiteral("a）"), QStringLiteral("a]"),
                             QStringLiteral("a】"), QStringLiteral("a}"), QStringLiteral("a》")})
        QVERIFY2(closing.test(s), qPrintable(s));
    QVERIFY(!closing.test(QStringLiteral("a)b")));
}

void TstRegexMatcher::numberPatternDotMatchesAnyCharacter()
{
    RegexMatcher m(QStringLiteral("\\d+(.\\d+)?"));
    QCOMPARE(m.execute(QStringLiteral("scan3.5")).value(0).value, QStringLiteral("3.5"));
    QCOMPARE(m.execute(QStringLiteral("IMG_12a34")).value(0).value, QStringLiteral("12a34"));
    const auto plain = m.execute(QStringLiteral("IMG_0012"));
    QCOMPARE(plain.value(0).value, QStringLiteral("0012"));
    // The optional group took no part: empty text, not a missing entry.
    QCOMPARE(plain.value(0).subMatches.size(), 1);
    QVERIFY(!plain.value(0).subMatches[0].isNull());
    QVERIFY(plain.value(0).subMatches[0].isEmpty());
}

void TstRegexMatcher::charactersNotBytes()
{
    RegexMatcher two(QStringLiteral("^.{2}$"));
    QVERIFY(two.test(QStringLiteral("中文")));
    QVERIFY(!two.test(QStringLiteral("中文字")));
    RegexMatcher cls(QStringLiteral("[（]"));
    QCOMPARE(cls.execute(QStringLiteral("文件（1）")).value(0).firstIndex, 2);
}

void TstRegexMatcher::settings()
{
    RegexMatcher m(QStringLiteral("abc"));
    QVERIFY(!m.test(QStringLiteral("xABCx")));
    m.setIgnoreCase(true);
    QVERIFY(m.test(QStringLiteral("xABCx")));

    RegexMatcher line(QStringLiteral("^b"));
    QVERIFY(!line.test(QStringLiteral("a\nb")));
    line.setMultiLine(true);
    QVERIFY(line.test(QStringLiteral("a\nb")));
    line.setPattern(QStringLiteral("^c"));
    QVERIFY(!line.test(QStringLiteral("a\nb")));
}

void TstRegexMatcher::executeFirstOrAll()
{
    RegexMatcher m(QStringLiteral("(\\d)(x)?"));
    QCOMPARE(m.execute(QStringLiteral("1x 2 3")).size(), 1);
    m.setGlobal(true);
    const auto all = m.execute(QStringLiteral("1x 2 3"));
    QCOMPARE(all.size(), 3);
    QCOMPARE(all[0].subMatches, QStringList({QStringLiteral("1"), QStringLiteral("x")}));
    QCOMPARE(all[1].subMatches, QStringList({QStringLiteral("2"), QString()}));
    QCOMPARE(all[2].value, QStringLiteral("3"));
    QVERIFY(m.execute(QStringLiteral("none")).isEmpty());
}

void TstRegexMatcher::replaceTemplates()
{
    RegexMatcher m(QStringLiteral("(\\d+)\\-(\\d+)"));
    QCOMPARE(m.replace(QStringLiteral("a1-2 b3-4"), QStringLiteral("$2~$1")), QStringLiteral("a2~1 b3-4"));
    m.setGlobal(true);
    QCOMPARE(m.replace(QStringLiteral("a1-2 b3-4"), QStringLiteral("$2~$1")), QStringLiteral("a2~1 b4~3"));
    QCOMPARE(m.replace(QStringLiteral("1-2"), QStringLiteral("[$&]")), QStringLiteral("[1-2]"));
    QCOMPARE(m.replace(QStringLiteral("1-2"), QStringLiteral("$$1")), QStringLiteral("$1"));
    // A group that does not exist and a lone "$" stay as written.
    QCOMPARE(m.replace(QStringLiteral("1-2"), QStringLiteral("$3$0$")), QStringLiteral("$3$0$"));
    QCOMPARE(m.replace(QStringLiteral("no digits"), QStringLiteral("x")), QStringLiteral("no digits"));

    RegexMatcher opt(QStringLiteral("a(b)?c"));
    QCOMPARE(opt.replace(QStringLiteral("ac"), QStringLiteral("<$1>")), QStringLiteral("<>"));
}

void TstRegexMatcher::replaceEmptyMatchesGlobally()
{
    RegexMatcher m(QStringLiteral("x*"));
    m.setGlobal(true);
    QCOMPARE(m.replace(QStringLiteral("ab"), QStringLiteral("-")), QStringLiteral("-a-b-"));
    QCOMPARE(m.replace(QStringLiteral("中文"), QStringLiteral("-")), QStringLiteral("-中-文-"));
}

void TstRegexMatcher::endAnchorWithoutMultiLine()
{
    RegexMatcher m(QStringLiteral("b$"));
    QVERIFY(m.test(QStringLiteral("ab")));
    QVERIFY(!m.test(QStringLiteral("ab\n")));
    m.setMultiLine(true);
    QVERIFY(m.test(QStringLiteral("ab\nc")));
    // "$" as a class member or escaped stays a literal dollar.
    RegexMatcher lit(QStringLiteral("[$]\\$"));
    QVERIFY(lit.test(QStringLiteral("x$$y")));
}

void TstRegexMatcher::unicodeEscapes()
{
    RegexMatcher m(QStringLiteral("\\u4e2d[\\u6587\\u5b57]"));
    QVERIFY(m.test(QStringLiteral("x中文")));
    QVERIFY(m.test(QStringLiteral("中字")));
    QVERIFY(!m.test(QStringLiteral("中国")));
    RegexMatcher literal(QStringLiteral("\\\\u4e2d")); // an escaped backslash, then "u4e2d"
    QVERIFY(literal.test(QStringLiteral("\\u4e2d")));
}

void TstRegexMatcher::invalidPatternFailsAtFirstUse()
{
    RegexMatcher m;
    m.setPattern(QStringLiteral("(abc")); // accepted here
    QVERIFY(!m.isValid());
    QVERIFY(!m.errorText().isEmpty());
    int number = 0;
    try {
        m.test(QStringLiteral("abc"));
    } catch (const RegexSyntaxError &e) {
        number = e.number();
    }
    QCOMPARE(number, 5017);
    QVERIFY_THROWS_EXCEPTION(RegexSyntaxError, m.execute(QStringLiteral("abc")));
    QVERIFY_THROWS_EXCEPTION(RegexSyntaxError, m.replace(QStringLiteral("abc"), QStringLiteral("x")));
    m.setPattern(QStringLiteral("(abc)"));
    QVERIFY(m.test(QStringLiteral("abc")));
}

QTEST_APPLESS_MAIN(TstRegexMatcher)
#include "tst_regexmatcher.moc"
