#include "gui/SongListModel.h"

#include "gui/QtText.h"
#include "songlist/SongList.h"
#include "ui/LanguageTable.h"

CSongListModel::CSongListModel(CSongList& songs, QObject* parent)
    : QAbstractTableModel(parent), songs_(songs) {}

int CSongListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : songs_.RowCount();
}

int CSongListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant CSongListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= songs_.RowCount())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == kTime ? Qt::AlignCenter
                                                           : Qt::AlignLeft | Qt::AlignVCenter);
    // A screen reader announces a row by its first cell: the title and the time.
    if (role == Qt::AccessibleTextRole && index.column() == kTitle)
        return FromBytes(songs_.Title(index.row())) + QStringLiteral(", ") +
               FromBytes(songs_.TimeText(index.row()));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::AccessibleTextRole)
        return {};
    switch (index.column()) {
        case kTitle:
            return FromBytes(songs_.Title(index.row()));
        case kTime:
            return FromBytes(songs_.TimeText(index.row()));
        default:
            return FromBytes(songs_.FullPath(index.row()));
    }
}

QVariant CSongListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(section == kTime ? Qt::AlignCenter
                                                    : Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    // 111 "MP3 Title", 112 "Time", 113 "Full Path".
    return FromBytes(Text(111 + section));
}

void CSongListModel::Reset() {
    beginResetModel();
    endResetModel();
}

void CSongListModel::RetitleColumns() {
    emit headerDataChanged(Qt::Horizontal, 0, 2);
}
