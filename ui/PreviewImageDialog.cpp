#include "ui/PreviewImageDialog.h"

#include <cstring>
#include <vector>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "controller/OcvCtrl.h"
#include "imaging/EditImage.h"
#include "platform/Time.h"
#include "ui/TargetText.h"
#include "ui/UiText.h"

namespace ocv {

QImage DibToQImage(const CDibImage& image) {
    if (image.IsEmpty()) return {};
    const int w = image.Width();
    const int h = image.Height();
    const uint8_t* bits = image.GetBits();
    if (w <= 0 || h <= 0 || !bits) return {};
    QImage out(w, h, QImage::Format_BGR888);
    const uint32_t stride = image.Stride();
    // The rows are stored bottom-up.
    for (int y = 0; y < h; ++y)
        std::memcpy(out.scanLine(y), bits + static_cast<size_t>(h - 1 - y) * stride,
                    static_cast<size_t>(w) * 3);
    return out;
}

QImage RenderPreview(const CDibImage& frame, const ImageSettings& settings,
                     const std::string& cameraName, std::string& error) {
    CDibImage picture(frame);
    if (!EditImage(cameraName, picture, settings, GetLocalTime(), error)) return {};
    QTemporaryDir dir;
    if (!dir.isValid()) {
        error = "Cannot create a temporary directory for the preview.";
        return {};
    }
    const std::string path = dir.filePath(QStringLiteral("preview")).toStdString();
    if (!SaveImage(picture, settings, path)) {
        error = picture.GetErrorText().empty() ? "Image::Save() Failed!" : picture.GetErrorText();
        return {};
    }
    CDibImage delivered;
    if (!delivered.LoadFromFile(path)) {
        error = delivered.GetErrorText();
        return {};
    }
    return DibToQImage(delivered);
}

bool NewestCameraFrame(COcvCtrl* camera, CDibImage& frame) {
    if (!camera || !camera->Link()) return false;
    BITMAPINFOHEADER format{};
    std::vector<uint8_t> bits;
    if (camera->Link()->GetFrame(nullptr, format, bits) != CtrlLink::kFrameCopied) return false;
    if (format.biWidth <= 0 || format.biHeight == 0 || bits.empty()) return false;
    return frame.CreateFromSample(format, bits.data(), nullptr, bits.size());
}

CPreviewImageDialog::CPreviewImageDialog(const CDibImage& frame, const ImageSettings& settings,
                                         const std::string& cameraName, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Lang("Preview image", "プレビュー"));
    std::string error;
    picture_ = RenderPreview(frame, settings, cameraName, error);
    auto* view = new QLabel(this);
    view->setObjectName(QStringLiteral("picture"));
    view->setAlignment(Qt::AlignCenter);
    if (picture_.isNull())
        view->setText(QString::fromStdString(error));
    else
        view->setPixmap(QPixmap::fromImage(picture_));
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(view);
    scroll->setWidgetResizable(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(Lang("Close", "閉じる"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(buttons);
    const QSize size = picture_.isNull() ? QSize(320, 120) : picture_.size();
    resize(qMin(size.width() + 40, 780), qMin(size.height() + 80, 580));
}

void ShowImagePreview(QWidget* parent, COcvCtrl* camera, const ImageSettings& settings,
                      const std::string& cameraName) {
    CDibImage frame;
    if (!NewestCameraFrame(camera, frame)) {
        TargetMessage(parent,
                      Lang("There is no picture from the camera to preview.",
                           "カメラの画像がないため、プレビューできません。"),
                      QMessageBox::Ok, QMessageBox::Information);
        return;
    }
    CPreviewImageDialog dialog(frame, settings, cameraName, parent);
    dialog.exec();
}

}  // namespace ocv
