#pragma once
// The song list as the list view shows it: three columns (title, time, full path) over
// the core's CSongList, which keeps the rows, the focus and the selection.  The model
// only reads; after any change the window calls Reset.
#include <QAbstractTableModel>

class CSongList;

class CSongListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { kTitle = 0, kTime = 1, kPath = 2 };

    explicit CSongListModel(CSongList& songs, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows changed in the core.
    void Reset();
    // The column titles changed language.
    void RetitleColumns();

  private:
    CSongList& songs_;
};
