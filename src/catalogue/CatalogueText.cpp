#include "catalogue/CatalogueText.h"

#include "platform/RegexMatcher.h"

namespace fd {

QString sizeText(qint64 bytes)
{
    if (bytes < 0)
        bytes = 0;
    // Hundredths of a KB: bytes * 100 / 1024 = bytes * 25 / 256, rounded half to even;
    // split so that the product cannot overflow.
    const quint64 a = quint64(bytes) / 256u, b = quint64(bytes) % 256u;
    quint64 hundredths = a * 25u + (b * 25u) / 256u;
    const unsigned rem = unsigned((b * 25u) % 256u);
    if (rem > 128 || (rem == 128 && (hundredths % 2) == 1))
        ++hundredths;
    QString text = QString::number(hundredths / 100);
    const unsigned frac = unsigned(hundredths % 100);
    if (frac != 0) {
        text += QLatin1Char('.');
        text += QString::number(frac / 10);
        if (frac % 10 != 0)
            text += QString::number(frac % 10);
    }
    return text + QStringLiteral("KB");
}

QString typeKey(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    return QLatin1Char('*') + path.mid(dot).toLower();
}

bool passesTypeFilter(const QString &key, const QString &filter)
{
    if (filter == QLatin1String("*.*"))
        return true;
    return !key.isEmpty() && filter.toLower().contains(key.toLower());
}

QString dateTimeText(const QDateTime &t, const QLocale &locale)
{
    // The long time form may carry a time zone ("t"); a file list shows local time.
    const QString longTime = locale.timeFormat(QLocale::LongFormat);
    QString timeFormat;
    bool quoted = false;
    for (const QChar c : longTime) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        timeFormat += c;
    }
    timeFormat = timeFormat.trimmed();
    return locale.toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(t.time(), timeFormat);
}

QString imageSizeText(const QString &width, const QString &height)
{
    return width + QChar(0x00D7) + height;
}

QString fileNumberPattern() { return QStringLiteral("\\d+(.\\d+)?"); }

QString fileNumberText(const QString &fileName)
{
    RegexMatcher m(fileNumberPattern());
    m.setGlobal(true);
    return fileNumberText(fileName, m);
}

namespace {
bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
} // namespace

QString fileNumberText(const QString &fileName, const RegexMatcher &globalNumberMatcher)
{
    QString base = fileName;
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        base.truncate(dot);
    base.prepend(QLatin1Char('\\'));
    const auto result = globalNumberMatcher.execute(base);
    if (!result.ok() || result.value().isEmpty())
        return QStringLiteral("0");
    const QString m = result.value().last().value;
    qsizetype i = 0;
    while (i < m.size() && isAsciiDigit(m.at(i)))
        ++i;
    if (i >= m.size() || m.at(i) == QLatin1Char('.'))
        return m; // a plain number such as 0012 or 3.5
    if (m.at(i).isLetter())
        return m.left(i);
    return m.mid(i + 1);
}

QString paddedNumber(const QString &numberText, int width)
{
    qsizetype i = 0;
    while (i < numberText.size() && isAsciiDigit(numberText.at(i)))
        ++i;
    QString whole = numberText.left(i);
    bool roundUp = false;
    if (i + 1 < numberText.size() && numberText.at(i) == QLatin1Char('.') && isAsciiDigit(numberText.at(i + 1)))
        roundUp = numberText.at(i + 1) >= QLatin1Char('5');
    while (whole.size() > 1 && whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    if (roundUp) {
        // Add one to the decimal text, so numbers of any length keep their digits.
        qsizetype k = whole.size() - 1;
        while (k >= 0 && whole.at(k) == QLatin1Char('9')) {
            whole[k] = QLatin1Char('0');
            --k;
        }
        if (k < 0)
            whole.prepend(QLatin1Char('1'));
        else
            whole[k] = QChar(whole.at(k).unicode() + 1);
    }
    if (whole.size() < width)
        whole.prepend(QString(width - whole.size(), QLatin1Char('0')));
    return whole;
}

} // namespace fd
