#pragma once
// Background pictures for the cover.  A picture is recognised by what the file holds,
// whatever its name says (a JPEG named .bmp still loads): BMP, JPEG, TIFF, TGA, PNG, GIF,
// WebP and whatever else Qt's image readers know.
#include <QImage>
#include <QSize>
#include <QString>

// The picture in the file, turned upright as its camera recorded it.  A null image when
// the file cannot be decoded, or is no file (a folder, a pipe, a device: never opened),
// with the reason in problem (when given).  cover, when valid, lets a decoder that can
// scale while decoding (JPEG, PNG) hand over a smaller picture that still covers it,
// which is all a preview or the printed square needs.  Pictures up to 128 megapixels
// are taken.
QImage ReadPicture(const QString& path, QString* problem = nullptr, QSize cover = QSize());

// The picture smoothly resampled to exactly size, without keeping its proportions.
QImage ResamplePicture(const QImage& picture, QSize size);
