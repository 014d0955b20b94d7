#pragma once
// "Image setting": the file name and its additions, the format and its details, grey, size and
// rotation, the editing and the frame picture, the preview and the package setup.
#include <functional>
#include <string>

#include <QDialog>

#include "config/ImageSettings.h"
#include "ui/SettingDialogs.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace ocv {

// The question asked on OK when the file name holds a dot.
QString FileNameDotQuestion();

class CImageDialog : public QDialog {
public:
    // `preview` shows settings applied to a camera picture; `package` null: no package setup.
    CImageDialog(const ImageSettings& image,
                 std::function<void(QWidget*, const ImageSettings&)> preview,
                 const ImageChoice* package, QWidget* parent = nullptr);
    const ImageSettings& Value() const { return image_; }
    const ImageChoice& Package() const { return package_; }
    // The settings as the controls show them.
    ImageSettings Current() const;
    void accept() override;

private:
    void OpenDetail();
    void UpdateEnabled();

    ImageSettings image_;
    ImageChoice package_{};
    std::function<void(QWidget*, const ImageSettings&)> preview_;
    QLineEdit* name_;
    QCheckBox* counter_;
    QCheckBox* date_;
    QCheckBox* time_;
    QComboBox* format_;
    QPushButton* detail_;
    QCheckBox* grey_;
    QSpinBox* resize_;
    QComboBox* rotate_;
};

}  // namespace ocv
