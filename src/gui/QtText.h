#pragma once
// Between the core's byte strings and Qt's text.  Titles and paths are shown as UTF-8,
// or as Latin-1 when their bytes are not UTF-8; file names go back to the core in the
// file system's own encoding.
#include <QFile>
#include <QString>
#include <string>
#include <string_view>

#include "base/DisplayText.h"

inline QString FromBytes(std::string_view bytes) {
    return QString::fromStdString(DisplayText(bytes));
}

inline QString FromBytes(const char* bytes) {
    return FromBytes(std::string_view(bytes ? bytes : ""));
}

// Texts the user typed (a new title): stored as UTF-8.
inline std::string ToBytes(const QString& text) {
    return text.toStdString();
}

inline std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

inline QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
