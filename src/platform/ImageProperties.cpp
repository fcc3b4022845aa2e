#include "platform/ImageProperties.h"

#include "platform/NativeName.h"

#include <QFile>
#include <QStringList>

#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>

#include <mutex>
#include <vector>

namespace fd {

namespace {

std::mutex g_xmpMutex;

void lockXmp(void *, bool lock)
{
    if (lock)
        g_xmpMutex.lock();
    else
        g_xmpMutex.unlock();
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

// HEIC and AVIF: the picture's own size and its Exif block come from libheif,
// which knows the primary picture among the container's items.
bool readHeif(const QString &path, Exiv2::ExifData &exif, int &width, int &height)
{
    heif_context *ctx = heif_context_alloc();
    heif_image_handle *h = nullptr;
    bool ok = heif_context_read_from_file(ctx, encodeFileName(path).constData(), nullptr).code == heif_error_Ok
        && heif_context_get_primary_image_handle(ctx, &h).code == heif_error_Ok;
    if (ok) {
        width = heif_image_handle_get_width(h);
        height = heif_image_handle_get_height(h);
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_metadata_block_IDs(h, "Exif", &id, 1) == 1) {
            std::vector<uint8_t> block(heif_image_handle_get_metadata_size(h, id));
            if (block.size() > 4 && heif_image_handle_get_metadata(h, id, block.data()).code == heif_error_Ok) {
                // The block opens with the offset of the TIFF header behind these four bytes.
                const size_t skip = 4 + ((size_t(block[0]) << 24) | (size_t(block[1]) << 16)
                                         | (size_t(block[2]) << 8) | size_t(block[3]));
                if (skip < block.size())
                    Exiv2::ExifParser::decode(exif, block.data() + skip, long(block.size() - skip));
            }
        }
        heif_image_handle_release(h);
    }
    heif_context_free(ctx);
    return ok;
}

struct Property {
    QString name;
    int kind = 0;
    std::unique_ptr<Exiv2::Value> value;
};

} // namespace

void ImageProperties::prepare()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::LogMsg::setHandler(nullptr);
        // HEIC and AVIF support is built in but off until asked for.
        Exiv2::enableBMFF(true);
        // The XMP toolkit must be set up before threads use it, with a lock of its own.
        Exiv2::XmpParser::initialize(lockXmp, nullptr);
        heif_init(nullptr);
    });
}

struct ImageProperties::Data {
    std::vector<Property> props;
    int width = 0, height = 0;
};

ImageProperties::ImageProperties() : d_(std::make_unique<Data>()) {}
ImageProperties::~ImageProperties() = default;

bool ImageProperties::load(const QString &path)
{
    prepare();
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
        auto image = Exiv2::ImageFactory::open(std::string(encodeFileName(path).constData()), false);
#endif
        if (!image.get())
            return false;
        image->readMetadata();
        d_->width = image->pixelWidth();
        d_->height = image->pixelHeight();
        Exiv2::ExifData heifExif;
        const bool heif = image->imageType() == Exiv2::ImageType::bmff
            && readHeif(path, heifExif, d_->width, d_->height);
        const Exiv2::ExifData &exif = heif ? heifExif : image->exifData();
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
