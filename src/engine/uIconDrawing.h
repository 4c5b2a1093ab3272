#pragma once

#include <QImage>
#include <QString>

// The pictures drawn for channels without a loaded image. Drawing text needs
// the fonts of a QGuiApplication (the window's, or an offscreen one in
// tests); any thread may draw.

// Shown until a channel's image has loaded: 126 x 62, white, the title in
// blue over the whole picture.
inline constexpr int PlaceholderWidth = 126;
inline constexpr int PlaceholderHeight = 62;
QImage DrawPlaceholder(const QString& title);

// Stored when a channel has no image to load: a red badge of 2 * size - 2 by
// size - 2 pixels with white rounded edges and the title in black bold on a
// light grey card.
QImage DrawFallbackBadge(const QString& title, int size);
