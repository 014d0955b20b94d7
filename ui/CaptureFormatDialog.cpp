#include "ui/CaptureFormatDialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "ui/WizardText.h"

namespace ocv {
namespace {
constexpr int kDefaultRate = 30;
}

std::vector<CaptureFormat> CaptureSizes(const std::vector<CaptureMode>& modes) {
    std::vector<CaptureFormat> out;
    for (const CaptureMode& m : modes) {
        if (m.width <= 0 || m.height <= 0) continue;
        const bool seen = std::any_of(out.begin(), out.end(), [&](const CaptureFormat& f) {
            return f.width == m.width && f.height == m.height;
        });
        if (!seen) out.push_back({m.width, m.height, 0});
    }
    return out;
}

std::vector<int> CaptureRates(const std::vector<CaptureMode>& modes, int width, int height) {
    std::vector<int> out;
    for (const CaptureMode& m : modes) {
        if (m.width != width || m.height != height) continue;
        for (int r : m.frameRates)
            if (r > 0 && std::find(out.begin(), out.end(), r) == out.end()) out.push_back(r);
    }
    std::sort(out.rbegin(), out.rend());
    if (out.empty()) out.push_back(kDefaultRate);
    return out;
}

CCaptureFormatDialog::CCaptureFormatDialog(const std::vector<CaptureMode>& modes,
                                           const DeviceInfo& info, QWidget* parent)
    : QDialog(parent), modes_(modes), sizes_(CaptureSizes(modes)), info_(info),
      size_(new QComboBox(this)), rate_(new QComboBox(this)) {
    setWindowTitle(WizardText(W::FormatTitle));
    setMinimumWidth(300);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    if (!info.deviceName.empty()) form->addRow(new QLabel(QString::fromStdString(info.deviceName), this));
    form->addRow(WizardText(W::ImageSize), size_);
    form->addRow(WizardText(W::FrameRate), rate_);
    int current = 0;
    for (size_t i = 0; i < sizes_.size(); ++i) {
        size_->addItem(QString("%1x%2").arg(sizes_[i].width).arg(sizes_[i].height));
        if (sizes_[i].width == info.frameWidth && sizes_[i].height == info.frameHeight)
            current = static_cast<int>(i);
    }
    size_->setCurrentIndex(sizes_.empty() ? -1 : current);
    RefillRates(info.frameRate);
    connect(size_, &QComboBox::currentIndexChanged, this, [this](int) { RefillRates(info_.frameRate); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CCaptureFormatDialog::RefillRates(int wantedRate) {
    rate_->clear();
    const int i = size_->currentIndex();
    if (i < 0) return;
    int current = 0;
    const std::vector<int> rates = CaptureRates(modes_, sizes_[i].width, sizes_[i].height);
    for (size_t k = 0; k < rates.size(); ++k) {
        rate_->addItem(QString::number(rates[k]), rates[k]);
        if (rates[k] == wantedRate) current = static_cast<int>(k);
    }
    rate_->setCurrentIndex(current);
}

DeviceInfo CCaptureFormatDialog::Result() const {
    DeviceInfo out = info_;
    const int i = size_->currentIndex();
    if (i >= 0) {
        out.frameWidth = sizes_[i].width;
        out.frameHeight = sizes_[i].height;
        out.frameRate = rate_->currentData().toInt();
    }
    return out;
}

CCaptureControlsDialog::CCaptureControlsDialog(const std::vector<CaptureControl>& controls,
                                               Setter setter, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(WizardText(W::DevicePageTitle));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    for (const CaptureControl& c : controls) {
        const QString name = QString::fromStdString(c.name);
        if (c.type == 2) {
            auto* box = new QCheckBox(name, this);
            box->setChecked(c.value != 0);
            connect(box, &QCheckBox::toggled, this, [setter, id = c.id](bool on) { setter(id, on ? 1 : 0); });
            form->addRow(box);
        } else if (c.type == 1 || c.type == 3) {
            auto* slider = new QSlider(Qt::Horizontal, this);
            slider->setRange(c.minimum, c.maximum);
            slider->setSingleStep(std::max(1, c.step));
            slider->setValue(c.value);
            auto* value = new QLabel(QString::number(c.value), this);
            connect(slider, &QSlider::valueChanged, this, [setter, value, id = c.id](int v) {
                value->setNum(v);
                setter(id, v);
            });
            auto* row = new QHBoxLayout;
            row->addWidget(slider);
            row->addWidget(value);
            form->addRow(name, row);
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace ocv
