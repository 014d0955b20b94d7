#pragma once
// "Edit image": the date/time caption, the camera-name caption and the frame picture, each on a
// tab, with a preview of the result.
#include <functional>
#include <string>

#include <QDialog>
#include <QFont>
#include <QWidget>

#include "config/ImageSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QVBoxLayout;

namespace ocv {

// The caption controls shared by the date/time and the camera-name tab.
class CImageEditTextPage : public QWidget {
public:
    CImageEditTextPage(const TextStyle& style, QWidget* parent);
    // The style as the controls show it.
    TextStyle Style() const;
    // Sets the caption font (what the font dialog returns).
    void SetFont(const QFont& font);
    void SetTextColor(int32_t color);
    void SetBackColor(int32_t color);

protected:
    // Adds the page's own switches above the style controls.
    void AddSwitch(QCheckBox* box);

private:
    void ShowStyle();

    TextStyle style_;
    QVBoxLayout* switches_;
    QLabel* textSwatch_;
    QLabel* backSwatch_;
    QCheckBox* transparent_;
    QLabel* fontLabel_;
    QComboBox* vert_;
    QComboBox* horz_;
};

class CImageEditDatePage : public CImageEditTextPage {
public:
    CImageEditDatePage(const ImageSettings& image, QWidget* parent);
    void Store(ImageSettings& image) const;

private:
    QCheckBox* date_;
    QCheckBox* time_;
};

class CImageEditNamePage : public CImageEditTextPage {
public:
    CImageEditNamePage(const ImageSettings& image, QWidget* parent);
    void Store(ImageSettings& image) const;

private:
    QCheckBox* name_;
};

class CImageEditFramePage : public QWidget {
public:
    CImageEditFramePage(const ImageSettings& image, QWidget* parent);
    void Store(ImageSettings& image) const;
    void SetColor(int32_t color);

private:
    void ShowColor();

    int32_t color_;
    QCheckBox* enable_;
    QLineEdit* file_;
    QLabel* swatch_;
    QSlider* range_;
};

class CImageEditDialog : public QDialog {
public:
    // `preview` shows the given settings applied to a camera picture.
    CImageEditDialog(const ImageSettings& image,
                     std::function<void(QWidget*, const ImageSettings&)> preview,
                     QWidget* parent = nullptr);
    const ImageSettings& Value() const { return image_; }
    // The settings as the tabs show them.
    ImageSettings Current() const;
    void accept() override;

private:
    ImageSettings image_;
    CImageEditDatePage* date_;
    CImageEditNamePage* name_;
    CImageEditFramePage* frame_;
};

// The font a caption style describes, and the style fields a font sets (the others kept).
QFont FontOfStyle(const TextStyle& style);
void StoreFont(const QFont& font, TextStyle& style);

}  // namespace ocv
