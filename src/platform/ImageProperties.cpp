#include "platform/ImageProperties.h"

#include <QFile>
#include <QStringList>

#include <exiv2/exiv2.hpp>

#include <mutex>
#include <vector>

namespace fd {

namespace {

void silenceLibraryLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::LogMsg::setHandler(nullptr);
        // HEIC and AVIF support is built in but off until asked for.
        Exiv2::enableBMFF(true);
    });
}

// Short names for the properties the program looks for.
QString shortName(const std::string &key, bool photoDateInExifBlock)
{
    if (key == "Exif.Photo.DateTimeOriginal")
        return QStringLiteral("ExifDTOrig");
    if (key == "Exif.Image.DateTimeOriginal" && !photoDateInExifBlock)
        return QStringLiteral("ExifDTOrig");
    if (key == "Exif.Photo.DateTimeDigitized")
        return QStringLiteral("ExifDTDigitized");
    if (key == "Exif.Image.DateTime")
        return QStringLiteral("DateTime");
    return QString::fromStdString(key);
}

struct Property {
    QString name;
    int kind = 0;
    std::unique_ptr<Exiv2::Value> value;
};

} // namespace

struct ImageProperties::Data {
    std::vector<Property> props;
    int width = 0, height = 0;
};

ImageProperties::ImageProperties() : d_(std::make_unique<Data>()) {}
ImageProperties::~ImageProperties() = default;

bool ImageProperties::load(const QString &path)
{
    silenceLibraryLog();
    d_->props.clear();
    d_->width = d_->height = 0;
    try {
#ifdef Q_OS_WIN
        // The library's narrow paths use the ANSI code page; read through a mapping instead.
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const qint64 size = f.size();
        uchar *data = size > 0 ? f.map(0, size) : nullptr;
        if (!data)
            return false;
        auto image = Exiv2::ImageFactory::open(data, long(size));
#else
        auto image = Exiv2::ImageFactory::open(std::string(QFile::encodeName(path).constData()), false);
#endif
        if (!image.get())
            return false;
        image->readMetadata();
        d_->width = image->pixelWidth();
        d_->height = image->pixelHeight();
        const Exiv2::ExifData &exif = image->exifData();
        const bool inExifBlock = exif.findKey(Exiv2::ExifKey("Exif.Photo.DateTimeOriginal")) != exif.end();
        d_->props.reserve(exif.count());
        for (const Exiv2::Exifdatum &e : exif) {
            Property p;
            p.name = shortName(e.key(), inExifBlock);
            p.kind = int(e.typeId());
            p.value.reset(e.getValue().release());
            d_->props.push_back(std::move(p));
        }
        return true;
    } catch (...) {
        d_->props.clear();
        return false;
    }
}

int ImageProperties::pixelWidth() const { return d_->width; }
int ImageProperties::pixelHeight() const { return d_->height; }

int ImageProperties::count() const { return int(d_->props.size()); }

QString ImageProperties::name(int i) const
{
    return i >= 0 && i < count() ? d_->props[size_t(i)].name : QString();
}

int ImageProperties::kind(int i) const
{
    return i >= 0 && i < count() ? d_->props[size_t(i)].kind : 0;
}

QString ImageProperties::valueText(int i) const
{
    if (i < 0 || i >= count() || !d_->props[size_t(i)].value.get())
        return QString();
    const Property &p = d_->props[size_t(i)];
    const Exiv2::Value &v = *p.value;
    try {
        QStringList parts;
        const long n = v.count();
        switch (p.kind) {
        case Exiv2::asciiString:
        case Exiv2::string:
        case Exiv2::date:
        case Exiv2::time:
        case Exiv2::comment:
        case Exiv2::xmpText:
            return QString::fromStdString(v.toString());
        case Exiv2::unsignedRational:
        case Exiv2::signedRational:
            for (long k = 0; k < n; ++k) {
                const Exiv2::Rational r = v.toRational(k);
                parts << QStringLiteral("%1/%2").arg(r.first).arg(r.second);
            }
            return parts.join(QStringLiteral(", "));
        case Exiv2::unsignedShort:
        case Exiv2::signedShort:
        case Exiv2::unsignedLong:
        case Exiv2::signedLong:
            for (long k = 0; k < n; ++k)
                parts << QString::number(qint64(v.toLong(k)));
            return parts.join(QStringLiteral(", "));
        case Exiv2::unsignedByte:
        case Exiv2::signedByte:
        case Exiv2::undefined: {
            std::vector<Exiv2::byte> bytes(size_t(v.size()));
            if (!bytes.empty())
                v.copy(bytes.data(), Exiv2::littleEndian);
            for (Exiv2::byte b : bytes)
                parts << QStringLiteral("%1").arg(uint(b), 2, 16, QLatin1Char('0')).toUpper();
            return parts.join(QLatin1Char(' '));
        }
        default:
            return QStringLiteral("%1 %2").arg(p.kind).arg(n > 0 ? qint64(v.toLong(0)) : 0);
        }
    } catch (...) {
        return QString();
    }
}

} // namespace fd
