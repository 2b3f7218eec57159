#include "gui/paint/CoverPictures.h"

#include <QImageReader>

QImage ReadPicture(const QString& path, QString* problem, QSize fitWithin) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    if (fitWithin.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        // Decoding a large photo at a fraction of its size is much faster; twice the
        // box keeps the smooth reduction afterwards sharp.
        const QSize full = reader.size();
        const QSize enough = fitWithin * 2;
        if (full.isValid() && full.width() > enough.width() && full.height() > enough.height())
            reader.setScaledSize(full.scaled(enough, Qt::KeepAspectRatioByExpanding));
    }
    QImage picture = reader.read();
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
