#pragma once
// The fields of a network camera's format page for one device type (another instance, Panasonic,
// Axis, Vivotek, MegaChips, plain Motion-JPEG URL): shown in the connection wizard and in the
// "Format" dialog of a connected camera.
#include <string>

#include <QDialog>
#include <QWidget>

#include "foundation/DeviceInfo.h"
#include "sources/ModelPages.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace ocv {

class CModelFormatPanel : public QWidget {
    Q_OBJECT
public:
    CModelFormatPanel(int32_t deviceType, QWidget* parent = nullptr);

    int32_t DeviceType() const { return type_; }
    void Load(const DeviceInfo& info);
    // The record with the page's choices written in (URL and the model's fields only).
    void Store(DeviceInfo& info) const;
    FormatPageData Data() const;
    // The URL must be given and suit the device type; false with the message otherwise.
    bool Check(std::string& message) const;

    QLineEdit* UrlField() const { return url_; }
    QComboBox* SizeBox() const { return size_; }
    QComboBox* TypeBox() const { return subType_; }
    QComboBox* CameraBox() const { return camera_; }
    QComboBox* QualityBox() const { return qualityBox_; }
    QSlider* QualitySlider() const { return qualitySlider_; }
    QLineEdit* PasswordField() const { return password_; }

private:
    void RefillSizes(int keepIndex);

    int32_t type_;
    QLineEdit* url_ = nullptr;
    QComboBox* size_ = nullptr;
    QComboBox* subType_ = nullptr;
    QComboBox* camera_ = nullptr;
    QComboBox* qualityBox_ = nullptr;
    QSlider* qualitySlider_ = nullptr;
    QLabel* qualityValue_ = nullptr;
    QLineEdit* password_ = nullptr;
};

// "Format": the panel of a device type alone, OK writes the choices into the record.
class CModelFormatDialog : public QDialog {
    Q_OBJECT
public:
    CModelFormatDialog(int32_t deviceType, const DeviceInfo& info, QWidget* parent = nullptr);
    const DeviceInfo& Result() const { return info_; }
    CModelFormatPanel* Panel() const { return panel_; }
    void accept() override;

private:
    DeviceInfo info_;
    CModelFormatPanel* panel_;
};

}  // namespace ocv
