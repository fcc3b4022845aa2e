#pragma once
// The image property layer: lists the EXIF properties of a picture as name and
// value text. Built on exiv2; no exception and no log output of the library leaves it.
// Each object belongs to one thread at a time; several may load at once.
#include <QString>
#include <memory>

namespace fd {

class ImageProperties {
public:
    // Sets up the libraries once; load() does it too. Worker threads may load
    // pictures at the same time once it ran.
    static void prepare();

    ImageProperties();
    ~ImageProperties();
    ImageProperties(const ImageProperties &) = delete;
    ImageProperties &operator=(const ImageProperties &) = delete;

    // Loads the picture's properties; false when the file cannot be read as an image.
    bool load(const QString &path);
    // Number of properties of the loaded picture (0 before a successful load).
    int count() const;
    // Name of property i (from 0). The capture date and time is named "ExifDTOrig"
    // (from the Exif block, else from the first image directory where some writers keep it),
    // the digitizing time "ExifDTDigitized", the file change time "DateTime"; other
    // properties carry the library's key, such as "Exif.Image.Make".
    QString name(int i) const;
    // Kind code of property i (the EXIF type number; larger codes for the library's own kinds).
    int kind(int i) const;
    // Value of property i as text: a text value as it stands; rationals as
    // numerator "/" denominator joined by ", "; whole numbers in decimal joined by
    // ", "; bytes as two hexadecimal digits each joined by blanks; any other kind
    // as its kind code, a blank and its number value.
    QString valueText(int i) const;
    // The picture's own size in pixels as the library reads it; 0 when unknown.
    int pixelWidth() const;
    int pixelHeight() const;

private:
    struct Data;
    std::unique_ptr<Data> d_;
};

} // namespace fd
