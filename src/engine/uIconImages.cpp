#include "engine/uIconImages.h"

#include "storage/uErrors.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>

namespace {

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

// A bitmap file holds no transparency: the picture is laid on white, so that
// it looks the same from memory as from its file, and as logos made for web
// pages look there.
QImage Opaque(const QImage& picture) {
    if (!picture.hasAlphaChannel())
        return picture;
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    return opaque;
}

} // namespace

cImageFormat DetectImageFormat(const QByteArray& data) {
    if (data.size() < 10)
        return cImageFormat::Unrecognised;
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return cImageFormat::PNG;
    // JFIF and Exif files start with FF D8 too, so every JPEG ends here.
    if (data.startsWith("\xff\xd8"))
        return cImageFormat::JPEG;
    if (data.startsWith("GIF8") && (data.mid(4, 2) == "9a" || data.mid(4, 2) == "7a"))
        return cImageFormat::GIF;
    if (data.startsWith("BM"))
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

QImage AsIcon(const QImage& picture) {
    if (picture.width() <= MaxIconSide && picture.height() <= MaxIconSide)
        return Opaque(picture);
    return Opaque(picture.scaled(std::min(picture.width(), MaxIconSide),
                                 std::min(picture.height(), MaxIconSide), Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation));
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
