#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Channel images as data, in memory and in the image cache folder.

enum class cImageFormat { Unrecognised, PNG, JPEG, GIF, BMP };

// The format named by the first bytes of the data; fewer than ten bytes are
// never recognised.
cImageFormat DetectImageFormat(const QByteArray& data);

// Limits that make a hostile image a decoder failure instead of a memory
// exhaustion: the size its header declares, and what decoding may
// allocate.
inline constexpr int MaxImageSide = 4096;
inline constexpr int MaxImageAllocationMegabytes = 64;

// The picture the data holds, decoded by the format DetectImageFormat
// names; a null image when the format is unrecognised. Raises when the
// data is damaged or declares more than the limits allow.
QImage DecodePicture(const QByteArray& data);

// No side of a stored icon is longer: icons are drawn stretched into boxes
// smaller than this, so a larger picture would only cost memory and disk.
inline constexpr int MaxIconSide = 256;
// The picture as an icon is kept: each side longer than MaxIconSide shrunk
// to it, and its transparent parts white, since the icon file is a bitmap,
// which holds no transparency (and logos made for web pages are drawn for
// white).
QImage AsIcon(const QImage& picture);

// The bitmap file at path, or a null image when it is missing, damaged or
// over the limits.
QImage LoadBitmapFile(const QString& path);
// Writes the picture as a BMP file, replacing the file at path only once the
// whole picture is written. Raises when it cannot be written.
void SaveBitmapFile(const QImage& picture, const QString& path);
