#pragma once
// The encoder details of "Image setting": JPEG quality, the PNG kind and the 256-colour palette.
// Each edits a copy of the image settings and touches only its own fields.
#include <QDialog>

#include "config/ImageSettings.h"

class QComboBox;
class QPushButton;
class QRadioButton;
class QSlider;

namespace ocv {

class CFormatJpegDialog : public QDialog {
public:
    explicit CFormatJpegDialog(const ImageSettings& image, QWidget* parent = nullptr);
    const ImageSettings& Value() const { return image_; }
    void accept() override;

private:
    ImageSettings image_;
    QSlider* quality_;
};

// "256Color Palette": the palette and the reduction ("Near Color" or "Dither"); also the GIF
// details.
class CFormatPng8Dialog : public QDialog {
public:
    explicit CFormatPng8Dialog(const ImageSettings& image, QWidget* parent = nullptr);
    const ImageSettings& Value() const { return image_; }
    void accept() override;

private:
    ImageSettings image_;
    QComboBox* palette_;
    QRadioButton* nearColor_;
    QRadioButton* dither_;
};

// "PNG format setting": 24 bits or 256 colours, the latter with its palette details.
class CFormatPngDialog : public QDialog {
public:
    explicit CFormatPngDialog(const ImageSettings& image, QWidget* parent = nullptr);
    const ImageSettings& Value() const { return image_; }
    void accept() override;

private:
    ImageSettings image_;
    QRadioButton* full_;
    QRadioButton* indexed_;
    QPushButton* detail_;
};

}  // namespace ocv
