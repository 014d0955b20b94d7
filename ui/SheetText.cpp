#include "ui/SheetText.h"

#include "ui/UiText.h"

namespace ocv {

QString Sh(const SheetText& text) {
    return QString::fromUtf8(CurrentUiLanguage() == UiLanguage::Japanese ? text.japanese
                                                                         : text.english);
}

}  // namespace ocv
