#include "catalogue/ImageMetadata.h"

#include "platform/ImageProperties.h"
#include "platform/MediaInfoLib.h"

namespace fd {

std::optional<QString> photoDateFromPropertyText(const QString &text)
{
    // Drop the name.
    const qsizetype firstBlank = text.indexOf(QLatin1Char(' '));
    QString s = firstBlank < 0 ? QString() : text.mid(firstBlank + 1);
    // Cut off anything behind the seconds.
    const qsizetype lastColon = s.lastIndexOf(QLatin1Char(':'));
    s = s.left(lastColon + 3);
    const qsizetype lastBlank = s.lastIndexOf(QLatin1Char(' '));
    if (lastBlank < 0)
        return std::nullopt;
    QString date = s.left(lastBlank);
    date.replace(QLatin1Char(':'), QLatin1Char('-'));
    return date + s.mid(lastBlank);
}

void preparePictureReaders()
{
    mediaInfoAvailable();
    ImageProperties::prepare();
}

std::optional<QString> ReadPhotoDate(const QString &path)
{
    ImageProperties image;
    if (!image.load(path))
        return std::nullopt;
    const QString wanted = QStringLiteral("exifdtorig");
    for (int i = 0; i < image.count(); ++i) {
        // Only the name decides: a description that mentions the word is no date.
        if (!image.name(i).toLower().contains(wanted))
            continue;
        return photoDateFromPropertyText(image.name(i) + QLatin1Char(' ') + image.valueText(i));
    }
    return noPhotoDate();
}

namespace {

// The number a text begins with, once its blanks are gone; "0" when it begins with none.
QString numberText(QString piece)
{
    piece.remove(QLatin1Char(' '));
    qsizetype n = 0;
    while (n < piece.size() && piece.at(n) >= QLatin1Char('0') && piece.at(n) <= QLatin1Char('9'))
        ++n;
    QString digits = piece.left(n);
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    return digits.isEmpty() ? QStringLiteral("0") : digits;
}

// The piece of a report line behind its first character (the colon).
QString leadingNumber(QString piece)
{
    piece.remove(QLatin1Char(' '));
    return numberText(piece.mid(1));
}

} // namespace

ImageSize parseImageSizeReport(const QString &report)
{
    ImageSize r;
    const QString pixels = QStringLiteral("pixels");
    const qsizetype w = report.indexOf(QStringLiteral("Width"));
    const qsizetype wp = report.indexOf(pixels);
    // Positions from 0 here: the piece is the text between "Width" and "pixels".
    if (w >= 0 && wp >= 0 && wp - w - 5 >= 0)
        r.width = leadingNumber(report.mid(w + 5, wp - w - 5));
    const qsizetype h = report.indexOf(QStringLiteral("Height"));
    if (h >= 0) {
        const qsizetype hp = report.indexOf(pixels, h);
        // This piece reaches one character into "pixels"; the number reading stops before it.
        if (hp >= 0 && hp - h - 5 >= 0)
            r.height = leadingNumber(report.mid(h + 6, hp - h - 5));
    }
    return r;
}

namespace {

// HEIF containers: the coded size MediaInfo reports is rounded up to whole
// blocks; the picture's own size is in the container.
bool heifContainer(const QString &path)
{
    const QString ext = path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toLower();
    return ext == QLatin1String("heic") || ext == QLatin1String("heif") || ext == QLatin1String("avif");
}

std::optional<ImageSize> containerSize(const QString &path)
{
    ImageProperties image;
    if (!image.load(path) || image.pixelWidth() <= 0 || image.pixelHeight() <= 0)
        return std::nullopt;
    ImageSize s;
    s.width = QString::number(image.pixelWidth());
    s.height = QString::number(image.pixelHeight());
    return s;
}

} // namespace

ImageSize ReadImageSize(const QString &path)
{
    if (heifContainer(path))
        if (const auto s = containerSize(path))
            return *s;
    const std::optional<MediaInfoSize> fields = mediaInfoSize(path);
    if (!fields)
        return ImageSize();
    ImageSize size;
    size.width = numberText(fields->width);
    size.height = numberText(fields->height);
    // Some formats (WebP) leave MediaInfo without a size.
    if (size.width == QLatin1String("0") && size.height == QLatin1String("0"))
        if (const auto s = containerSize(path))
            return *s;
    return size;
}

} // namespace fd
