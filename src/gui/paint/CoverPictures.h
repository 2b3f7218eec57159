#pragma once
// Background pictures for the cover.  A picture is recognised by what the file holds,
// whatever its name says (a JPEG named .bmp still loads): BMP, JPEG, TIFF, TGA, PNG, GIF,
// WebP and whatever else Qt's image readers know.
#include <QImage>
#include <QSize>
#include <QString>

// The picture in the file, turned upright as its camera recorded it.  A null image when
// the file cannot be decoded, with the reason in problem (when given).  fitWithin, when
// valid, lets a decoder that can scale while decoding (JPEG) hand over a smaller picture
// that still covers fitWithin, which is all a preview needs.
QImage ReadPicture(const QString& path, QString* problem = nullptr, QSize fitWithin = QSize());

// The picture smoothly resampled to exactly size, without keeping its proportions.
QImage ResamplePicture(const QImage& picture, QSize size);
