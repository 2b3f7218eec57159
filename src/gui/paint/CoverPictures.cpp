#include "gui/paint/CoverPictures.h"

#include <sys/stat.h>

#include <QFile>
#include <QImageReader>
#include <cstdint>

namespace {
// The most a picture may take in memory while it is decoded whole: 128 megapixels in 32
// bits.  Qt's own default (128 MB) refuses an ordinary phone's 48-megapixel photo.
constexpr int64_t kLargestPictureMb = 512;

// Why path cannot be a picture file, or "" when it may be one.  Opening a named pipe or a
// device would wait for ever, and a folder is no picture.
QString NotAPictureFile(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return QString();  // the reader says what is wrong with a missing file
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("it is a folder, not a picture file");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("it is a named pipe, not a picture file");
    return QStringLiteral("it is a device, not a picture file");
}
}  // namespace

QImage ReadPicture(const QString& path, QString* problem, QSize cover) {
    if (const QString why = NotAPictureFile(path); !why.isEmpty()) {
        if (problem != nullptr)
            *problem = why;
        return QImage();
    }
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (!cover.isEmpty() && reader.supportsOption(QImageIOHandler::ScaledSize) && full.isValid() &&
        full.width() > cover.width() && full.height() > cover.height()) {
        // Decoding a large photo at a fraction of its size is much faster, and takes a
        // fraction of the memory.
        reader.setScaledSize(full.scaled(cover, Qt::KeepAspectRatioByExpanding));
    }
    // A reader that cannot scale decodes the whole picture: it may take what that needs,
    // in the format it decodes to (16 bits a channel for some TIFF files).
    const int limit = QImageReader::allocationLimit();
    // A reader that could not read the header may give any value as the format.
    const QImage::Format format = full.isValid() ? reader.imageFormat() : QImage::Format_Invalid;
    const int64_t bits = format > QImage::Format_Invalid && format < QImage::NImageFormats
                             ? QImage::toPixelFormat(format).bitsPerPixel()
                             : 64;
    const int64_t needed =
        full.isValid() ? int64_t{full.width()} * full.height() * bits / 8 / (1024 * 1024) + 1 : 0;
    if (limit > 0 && needed > limit && needed <= kLargestPictureMb)
        QImageReader::setAllocationLimit(static_cast<int>(needed));
    QImage picture = reader.read();
    QImageReader::setAllocationLimit(limit);
    if (picture.isNull() && problem != nullptr)
        *problem = reader.errorString();
    return picture;
}

QImage ResamplePicture(const QImage& picture, QSize size) {
    if (picture.isNull() || size.isEmpty())
        return QImage();
    if (picture.size() == size)
        return picture;
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
