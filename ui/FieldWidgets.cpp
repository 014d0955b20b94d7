#include "ui/FieldWidgets.h"

#include <climits>

#include <QLineEdit>
#include <QSpinBox>

#include "config/ParamRanges.h"

namespace ocv {

std::string ToBoundedUtf8(const QString& text, size_t capacity) {
    std::string s = text.toStdString();
    const size_t limit = capacity > 0 ? capacity - 1 : 0;
    if (s.size() <= limit) return s;
    size_t cut = limit;
    // Step back over continuation bytes so the cut falls between two characters.
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    s.resize(cut);
    return s;
}

void SetupTextField(QLineEdit* edit, const std::string& value, size_t capacity) {
    edit->setMaxLength(static_cast<int>(capacity > 0 ? capacity - 1 : 0));
    edit->setText(QString::fromStdString(value));
}

QSpinBox* MakeRangeSpinBox(const char* section, const char* key, int value, QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    const ParamRange* range = FindParamRange(section, key);
    spin->setRange(range ? static_cast<int>(range->min) : INT_MIN,
                   range ? static_cast<int>(range->max) : INT_MAX);
    spin->setValue(value);
    return spin;
}

}  // namespace ocv
