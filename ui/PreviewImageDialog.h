#pragma once
// "Preview image": a camera picture as the image settings would deliver it (edited, encoded and
// decoded again, so the JPEG quality and the palette show).
#include <functional>
#include <string>

#include <QDialog>
#include <QImage>

#include "config/ImageSettings.h"
#include "imaging/DibImage.h"

class QLabel;

namespace ocv {

class COcvCtrl;

// A 24-bit picture as a QImage (top-down).
QImage DibToQImage(const CDibImage& image);
// The delivered picture of `frame`: edited with the settings and the camera name, written in
// the settings' format and read back. Null image and `error` on failure.
QImage RenderPreview(const CDibImage& frame, const ImageSettings& settings,
                     const std::string& cameraName, std::string& error);
// The newest frame of `camera`; false when there is none (not connected, no picture yet).
bool NewestCameraFrame(COcvCtrl* camera, CDibImage& frame);

class CPreviewImageDialog : public QDialog {
public:
    CPreviewImageDialog(const CDibImage& frame, const ImageSettings& settings,
                        const std::string& cameraName, QWidget* parent = nullptr);
    const QImage& Picture() const { return picture_; }

private:
    QImage picture_;
};

// Shows the preview of the camera's newest frame, or says why there is none.
void ShowImagePreview(QWidget* parent, COcvCtrl* camera, const ImageSettings& settings,
                      const std::string& cameraName);

}  // namespace ocv
