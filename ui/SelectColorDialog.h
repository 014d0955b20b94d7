#pragma once
// "transparency color": the frame picture, where a click picks the colour that lets the camera
// picture show through, and the range around it.
#include <cstdint>
#include <string>

#include <QDialog>
#include <QImage>

class QLabel;
class QSlider;

namespace ocv {

// The frame picture's message when it cannot be loaded.
QString FrameImageUnreadableText();

class CSelectColorDialog : public QDialog {
public:
    CSelectColorDialog(const std::string& frameImage, int32_t color, int32_t range,
                       QWidget* parent = nullptr);
    // False (after telling the user) when the frame picture cannot be loaded.
    bool Loaded() const { return !image_.isNull(); }
    // Picks the colour of the picture's pixel (x, y); outside the picture nothing changes.
    void PickAt(int x, int y);
    int32_t Color() const { return color_; }
    int32_t Range() const { return range_; }
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowColor();

    QImage image_;
    int32_t color_;
    int32_t range_;
    QLabel* picture_ = nullptr;
    QLabel* swatch_ = nullptr;
    QSlider* rangeSlider_ = nullptr;
};

// The largest distance two colours can have, the top of the range slider.
inline constexpr int kTransparentRangeMax = 442;

}  // namespace ocv
