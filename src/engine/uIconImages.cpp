#include "engine/uIconImages.h"

#include "storage/uErrors.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace {

bool StartsWith(const QByteArray& data, const char* bytes, qsizetype count, qsizetype at = 0) {
    return data.mid(at, count) == QByteArray::fromRawData(bytes, count);
}

const char* FormatName(cImageFormat format) {
    switch (format) {
    case cImageFormat::PNG:
        return "png";
    case cImageFormat::JPEG:
        return "jpeg";
    case cImageFormat::GIF:
        return "gif";
    case cImageFormat::BMP:
        return "bmp";
    case cImageFormat::Unrecognised:
        break;
    }
    return nullptr;
}

// Reads one image under the limits; the declared size is checked before
// anything is decoded, so a header promising a huge picture costs nothing.
QImage ReadLimited(QIODevice& device, const char* format) {
    QImageReader reader(&device, format);
    reader.setAutoDetectImageFormat(false);
    reader.setAllocationLimit(MaxImageAllocationMegabytes);
    const QSize declared = reader.size();
    if (declared.width() > MaxImageSide || declared.height() > MaxImageSide)
        throw EVelmoraError(QStringLiteral("image too large"));
    QImage picture = reader.read();
    if (picture.isNull())
        throw EVelmoraError(QStringLiteral("image not decoded: ") % reader.errorString());
    return picture;
}

} // namespace

cImageFormat DetectImageFormat(const QByteArray& data) {
    if (data.size() < 10)
        return cImageFormat::Unrecognised;
    if (StartsWith(data, "\x89PNG\r\n\x1a\n", 8))
        return cImageFormat::PNG;
    // JFIF and Exif files start with FF D8 too, so every JPEG ends here.
    if (StartsWith(data, "\xff\xd8", 2))
        return cImageFormat::JPEG;
    if (StartsWith(data, "GIF8", 4) &&
        (StartsWith(data, "9a", 2, 4) || StartsWith(data, "7a", 2, 4)))
        return cImageFormat::GIF;
    if (StartsWith(data, "BM", 2))
        return cImageFormat::BMP;
    return cImageFormat::Unrecognised;
}

QImage DecodePicture(const QByteArray& data) {
    const char* format = FormatName(DetectImageFormat(data));
    if (!format)
        return QImage();
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return ReadLimited(buffer, format);
}

QImage LoadBitmapFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    try {
        return ReadLimited(file, "bmp");
    } catch (const EVelmoraError&) {
        return QImage();
    }
}

void SaveBitmapFile(const QImage& picture, const QString& path) {
    QSaveFile file(path);
    QImageWriter writer(&file, "bmp");
    if (!file.open(QIODevice::WriteOnly) || !writer.write(picture) || !file.commit())
        throw EVelmoraError(QStringLiteral("Can't write icon file ") % path);
}
