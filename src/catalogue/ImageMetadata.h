#pragma once
// Picture columns of the catalogue: the capture date and the size in pixels.
// Both readers may run on any thread.
#include <QString>
#include <optional>

namespace fd {

// Value of an image that has no capture date.
inline QString noPhotoDate() { return QStringLiteral("0000-00-00 00:00:00"); }

// Capture date of a picture as YYYY-MM-DD HH:MM:SS; noPhotoDate() for an image
// without one; nothing when the file cannot be read as an image.
std::optional<QString> ReadPhotoDate(const QString &path);

// Turns the text of a capture-date property ("name value", the value in the form
// YYYY:MM:DD HH:MM:SS, possibly followed by a terminating character) into the
// photo date. Nothing when the text has no blank to split date and time.
std::optional<QString> photoDateFromPropertyText(const QString &text);

struct ImageSize {
    QString width = QStringLiteral("0");
    QString height = QStringLiteral("0");
};

// Width and height in pixels as the MediaInfo report gives them (asked for the
// fields themselves, which give the same texts); "0" for what cannot be read.
ImageSize ReadImageSize(const QString &path);

// Loads and sets up the libraries behind both readers. Called once at startup, and
// before the readers run on worker threads; later calls cost nothing.
void preparePictureReaders();

// Reads width and height from the text report (lines such as
// "Width   : 4 000 pixels"); "0" for a value whose words are missing.
ImageSize parseImageSizeReport(const QString &report);

} // namespace fd
