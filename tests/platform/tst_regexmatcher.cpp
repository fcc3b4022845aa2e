#include "platform/RegexMatcher.h"

#include <QTest>

using fd::RegexMatcher;
using fd::RegexError;

class TstRegexMatcher : public QObject {
    Q_OBJECT
private slots:
    void greedyAndLazy();
    void bracketSuffixPattern_data();
    void bracketSuffixPattern();
    void systemPatterns();
    void numberPatternDotMatchesAnyCharacter();
    void charactersNotBytes();
    void nameBytesThatAreNotUtf8();
    void settings();
    void executeFirstOrAll();
    void replaceTemplates();
    void replaceTemplateCodes_data();
    void replaceTemplateCodes();
    void lineEnds_data();
    void lineEnds();
    void replaceEmptyMatchesGlobally();
    void endAnchorWithoutMultiLine();
    void unicodeEscapes();
    void escapes_data();
    void escapes();
    void invalidPatternIsAnErrorAtEveryUse();
};

void TstRegexMatcher::greedyAndLazy()
{
    RegexMatcher m(QStringLiteral("(.+)(\\-)"));
    const auto r = m.execute(QStringLiteral("2024-01-05")).value();
    QCOMPARE(r.size(), 1);
    QCOMPARE(r[0].subMatches.value(0), QStringLiteral("2024-01"));
    QCOMPARE(r[0].subMatches.value(1), QStringLiteral("-"));

    RegexMatcher lazy(QStringLiteral("a.+?b"));
    QCOMPARE(lazy.execute(QStringLiteral("a1b2b")).value().value(0).value, QStringLiteral("a1b"));
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
    QCOMPARE(m.test(subject).value(), matches);
    const auto r = m.execute(subject).value();
    QCOMPARE(r.isEmpty(), !matches);
    if (matches)
        QCOMPARE(r[0].subMatches.value(0), group1);
}

void TstRegexMatcher::systemPatterns()
{
    RegexMatcher mobile(QStringLiteral("\\d{11}"));
    QCOMPARE(mobile.execute(QStringLiteral("张三13812345678备注")).value().value(0).value,
             QStringLiteral("13812345678"));
    QVERIFY(!mobile.test(QStringLiteral("1381234567")).value());

    RegexMatcher range(QStringLiteral("(\\d+)\\-(\\d+)"));
    const auto r = range.execute(QStringLiteral("第12-345页")).value();
    QCOMPARE(r.value(0).subMatches, QStringList({QStringLiteral("12"), QStringLiteral("345")}));

    RegexMatcher dots(QStringLiteral("(\\.+)(\\-)"));
    QCOMPARE(dots.execute(QStringLiteral("a..-b")).value().value(0).subMatches.value(0), QStringLiteral(".."));
    QVERIFY(!dots.test(QStringLiteral("ab-c")).value());

    RegexMatcher closing(QStringLiteral("[\\)）\\]】\\}》]$"));
    for (const QString &s : {QStringLiteral("a)"), QStringLiteral("a）"), QStringLiteral("a]"),
                             QStringLiteral("a】"), QStringLiteral("a}"), QStringLiteral("a》")})
        QVERIFY2(closing.test(s).value(), qPrintable(s));
    QVERIFY(!closing.test(QStringLiteral("a)b")).value());
}

void TstRegexMatcher::numberPatternDotMatchesAnyCharacter()
{
    RegexMatcher m(QStringLiteral("\\d+(.\\d+)?"));
    QCOMPARE(m.execute(QStringLiteral("scan3.5")).value().value(0).value, QStringLiteral("3.5"));
    QCOMPARE(m.execute(QStringLiteral("IMG_12a34")).value().value(0).value, QStringLiteral("12a34"));
    const auto plain = m.execute(QStringLiteral("IMG_0012")).value();
    QCOMPARE(plain.value(0).value, QStringLiteral("0012"));
    // The optional group took no part: empty text, not a missing entry.
    QCOMPARE(plain.value(0).subMatches.size(), 1);
    QVERIFY(!plain.value(0).subMatches[0].isNull());
    QVERIFY(plain.value(0).subMatches[0].isEmpty());
}

void TstRegexMatcher::charactersNotBytes()
{
    RegexMatcher two(QStringLiteral("^.{2}$"));
    QVERIFY(two.test(QStringLiteral("中文")).value());
    QVERIFY(!two.test(QStringLiteral("中文字")).value());
    RegexMatcher cls(QStringLiteral("[（]"));
    QCOMPARE(cls.execute(QStringLiteral("文件（1）")).value().value(0).firstIndex, 2);
}

// A file name keeps bytes that are not UTF-8 as lone surrogates: they match as
// one character each and come back unchanged in every result.
void TstRegexMatcher::nameBytesThatAreNotUtf8()
{
    const QChar raw(0xDCD7);
    const QString name = QStringLiteral("a") + raw + QStringLiteral("13812345678") + raw + QStringLiteral(".jpg");
    RegexMatcher number(QStringLiteral("\\d{11}"));
    QCOMPARE(number.execute(name).value().value(0).value, QStringLiteral("13812345678"));
    RegexMatcher group(QStringLiteral("^(.)(.)"));
    QCOMPARE(group.execute(name).value().value(0).subMatches, QStringList({QStringLiteral("a"), QString(raw)}));
    QVERIFY(RegexMatcher(QStringLiteral("^a.1")).test(name).value());
    QCOMPARE(number.replace(name, QStringLiteral("<$&>")).value(),
             QStringLiteral("a") + raw + QStringLiteral("<13812345678>") + raw + QStringLiteral(".jpg"));
}

void TstRegexMatcher::settings()
{
    RegexMatcher m(QStringLiteral("abc"));
    QVERIFY(!m.test(QStringLiteral("xABCx")).value());
    m.setIgnoreCase(true);
    QVERIFY(m.test(QStringLiteral("xABCx")).value());

    RegexMatcher line(QStringLiteral("^b"));
    QVERIFY(!line.test(QStringLiteral("a\nb")).value());
    line.setMultiLine(true);
    QVERIFY(line.test(QStringLiteral("a\nb")).value());
    line.setPattern(QStringLiteral("^c"));
    QVERIFY(!line.test(QStringLiteral("a\nb")).value());
}

void TstRegexMatcher::executeFirstOrAll()
{
    RegexMatcher m(QStringLiteral("(\\d)(x)?"));
    QCOMPARE(m.execute(QStringLiteral("1x 2 3")).value().size(), 1);
    m.setGlobal(true);
    const auto all = m.execute(QStringLiteral("1x 2 3")).value();
    QCOMPARE(all.size(), 3);
    QCOMPARE(all[0].subMatches, QStringList({QStringLiteral("1"), QStringLiteral("x")}));
    QCOMPARE(all[1].subMatches, QStringList({QStringLiteral("2"), QString()}));
    QCOMPARE(all[2].value, QStringLiteral("3"));
    QVERIFY(m.execute(QStringLiteral("none")).value().isEmpty());
}

void TstRegexMatcher::replaceTemplates()
{
    RegexMatcher m(QStringLiteral("(\\d+)\\-(\\d+)"));
    QCOMPARE(m.replace(QStringLiteral("a1-2 b3-4"), QStringLiteral("$2~$1")).value(), QStringLiteral("a2~1 b3-4"));
    m.setGlobal(true);
    QCOMPARE(m.replace(QStringLiteral("a1-2 b3-4"), QStringLiteral("$2~$1")).value(), QStringLiteral("a2~1 b4~3"));
    QCOMPARE(m.replace(QStringLiteral("1-2"), QStringLiteral("[$&]")).value(), QStringLiteral("[1-2]"));
    QCOMPARE(m.replace(QStringLiteral("1-2"), QStringLiteral("$$1")).value(), QStringLiteral("$1"));
    // A group that does not exist and a lone "$" stay as written.
    QCOMPARE(m.replace(QStringLiteral("1-2"), QStringLiteral("$3$0$")).value(), QStringLiteral("$3$0$"));
    QCOMPARE(m.replace(QStringLiteral("no digits"), QStringLiteral("x")).value(), QStringLiteral("no digits"));

    RegexMatcher opt(QStringLiteral("a(b)?c"));
    QCOMPARE(opt.replace(QStringLiteral("ac"), QStringLiteral("<$1>")).value(), QStringLiteral("<>"));
}

void TstRegexMatcher::replaceTemplateCodes_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("result"); // of replacing in "ab-cd-ef"
    const QString eleven = QStringLiteral("(a)(b)(-)(c)(d)(-)(e)(f)()()(.*)");
    QTest::newRow("before the match") << "cd" << "[$`]" << "ab-[ab-]-ef";
    QTest::newRow("after the match") << "cd" << "[$']" << "ab-[-ef]-ef";
    QTest::newRow("dollar") << "cd" << "$$'" << "ab-$'-ef";
    QTest::newRow("two-digit group") << eleven << "$11|$1" << "|a";
    QTest::newRow("two digits, one group of them") << "(c)" << "$12" << "ab-c2d-ef";
    QTest::newRow("leading zero") << "(c)(d)" << "$02$01" << "ab-dc-ef";
    QTest::newRow("group 10 of 11") << eleven << "<$10>" << "<>";
    QTest::newRow("no such group") << "cd" << "$1$00" << "ab-$1$00-ef";
}

void TstRegexMatcher::replaceTemplateCodes()
{
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    QFETCH(QString, result);
    QCOMPARE(RegexMatcher(pattern).replace(QStringLiteral("ab-cd-ef"), replacement).value(), result);
}

// With multi-line on, CR, LF and CRLF each end a line; a CRLF is one line end.
void TstRegexMatcher::lineEnds_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QStringList>("matches");
    const QList<QPair<const char *, QString>> ends{{"CRLF", QStringLiteral("\r\n")}, {"LF", QStringLiteral("\n")}, {"CR", QStringLiteral("\r")}};
    for (const auto &[name, e] : ends) {
        const QString subject = QStringLiteral("abc") + e + QStringLiteral("def") + e;
        QTest::addRow("c$, %s", name) << "c$" << subject << QStringList{"c"};
        QTest::addRow("^d, %s", name) << "^d" << subject << QStringList{"d"};
        QTest::addRow("line by line, %s", name) << "^.+$" << subject << QStringList{"abc", "def"};
        QTest::addRow("empty lines, %s", name) << "^$" << e + e + QStringLiteral("x") << QStringList{"", ""};
    }
}

void TstRegexMatcher::lineEnds()
{
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QStringList, matches);
    RegexMatcher m(pattern, false, true, true);
    QStringList found;
    const auto result = m.execute(subject); // kept: the loop reads into it
    for (const auto &r : result.value())
        found << r.value;
    QCOMPARE(found, matches);
}

void TstRegexMatcher::replaceEmptyMatchesGlobally()
{
    RegexMatcher m(QStringLiteral("x*"));
    m.setGlobal(true);
    QCOMPARE(m.replace(QStringLiteral("ab"), QStringLiteral("-")).value(), QStringLiteral("-a-b-"));
    QCOMPARE(m.replace(QStringLiteral("中文"), QStringLiteral("-")).value(), QStringLiteral("-中-文-"));
}

void TstRegexMatcher::endAnchorWithoutMultiLine()
{
    RegexMatcher m(QStringLiteral("b$"));
    QVERIFY(m.test(QStringLiteral("ab")).value());
    QVERIFY(!m.test(QStringLiteral("ab\n")).value());
    m.setMultiLine(true);
    QVERIFY(m.test(QStringLiteral("ab\nc")).value());
    // "$" as a class member or escaped stays a literal dollar.
    RegexMatcher lit(QStringLiteral("[$]\\$"));
    QVERIFY(lit.test(QStringLiteral("x$$y")).value());
}

void TstRegexMatcher::unicodeEscapes()
{
    RegexMatcher m(QStringLiteral("\\u4e2d[\\u6587\\u5b57]"));
    QVERIFY(m.test(QStringLiteral("x中文")).value());
    QVERIFY(m.test(QStringLiteral("中字")).value());
    QVERIFY(!m.test(QStringLiteral("中国")).value());
    RegexMatcher literal(QStringLiteral("\\\\u4e2d")); // an escaped backslash, then "u4e2d"
    QVERIFY(literal.test(QStringLiteral("\\u4e2d")).value());
}

void TstRegexMatcher::escapes_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<bool>("matches");
    // Letters escaped without a meaning stand for themselves.
    QTest::newRow("\\q is q") << QStringLiteral("a\\qb") << QStringLiteral("aqb") << true;
    QTest::newRow("\\e is e") << QStringLiteral("\\e") << QStringLiteral("e") << true;
    QTest::newRow("\\u without digits") << QStringLiteral("\\u12") << QStringLiteral("u12") << true;
    QTest::newRow("\\x without digits") << QStringLiteral("\\xg") << QStringLiteral("xg") << true;
    QTest::newRow("\\x with digits") << QStringLiteral("\\x41") << QStringLiteral("A") << true;
    QTest::newRow("\\c with a letter") << QStringLiteral("\\cI") << QStringLiteral("\t") << true;
    // \v is the vertical tab only, not every line break.
    QTest::newRow("\\v is a vertical tab") << QStringLiteral("\\v") << QStringLiteral("\x0B") << true;
    QTest::newRow("\\v is no newline") << QStringLiteral("\\v") << QStringLiteral("\n") << false;
    QTest::newRow("\\d keeps its meaning") << QStringLiteral("\\d") << QStringLiteral("d") << false;
    QTest::newRow("escaped bracket") << QStringLiteral("\\[") << QStringLiteral("[") << true;
}

void TstRegexMatcher::escapes()
{
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(bool, matches);
    const RegexMatcher m(pattern);
    const auto r = m.test(subject);
    QVERIFY2(r.ok(), qPrintable(r.error().reason));
    QCOMPARE(r.value(), matches);
}

void TstRegexMatcher::invalidPatternIsAnErrorAtEveryUse()
{
    RegexMatcher m;
    m.setPattern(QStringLiteral("(abc")); // accepted here
    QVERIFY(!m.isValid());
    QVERIFY(!m.errorText().isEmpty());
    const auto t = m.test(QStringLiteral("abc"));
    const auto e = m.execute(QStringLiteral("abc"));
    const auto r = m.replace(QStringLiteral("abc"), QStringLiteral("x"));
    for (const RegexError &err : {t.error(), e.error(), r.error()}) {
        QCOMPARE(err.number, 5017);
        QCOMPARE(err.pattern, QStringLiteral("(abc"));
        QCOMPARE(err.reason, m.errorText());
    }
    QVERIFY(!t.ok() && !t.value());
    QVERIFY(!e.ok() && e.value().isEmpty());
    QVERIFY(!r.ok() && r.value().isEmpty());

    m.setPattern(QStringLiteral("(abc)"));
    const auto fixed = m.test(QStringLiteral("abc"));
    QVERIFY(fixed.ok());
    QCOMPARE(fixed.error().number, 0);
    QVERIFY(fixed.value());
}

QTEST_APPLESS_MAIN(TstRegexMatcher)
#include "tst_regexmatcher.moc"
