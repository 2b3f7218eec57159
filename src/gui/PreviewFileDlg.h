#pragma once
// The background picture's open dialog: our own file dialog with a "Preview" check box
// and a frame that shows the selected picture as soon as it is selected.  It offers the
// picture file types in a fixed order, "All supported graphic formats" chosen; their
// patterns match names in any letter case (IMG_0001.JPG).
#include <QFileDialog>
#include <QStringList>

class QCheckBox;
class CPictureFrame;

class CPreviewFileDlg : public QFileDialog {
    Q_OBJECT
  public:
    explicit CPreviewFileDlg(QWidget* parent = nullptr);

    // Opens on this file, selected in its folder and shown in the frame.
    void SelectPicture(const QString& path);

    QCheckBox* PreviewBox() const { return previewBox_; }
    CPictureFrame* Frame() const { return frame_; }

    // The dialog's file types, as the dialog lists them.
    static QStringList PictureNameFilters();

  private:
    void SelectionChanged(const QString& path);
    void PreviewToggled(bool on);

    QCheckBox* previewBox_;
    CPictureFrame* frame_;
    bool previewOn_ = true;
    QString selected_;
};
