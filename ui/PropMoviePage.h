#pragma once
// "video": where and how long recordings are saved, their frame rate, image settings and the
// Windows Media conversion with its profile.
#include "ui/SheetPage.h"

class QSpinBox;

namespace ocv {

class CPropMoviePage : public CSheetPage {
    Q_OBJECT
public:
    CPropMoviePage(SheetContext& context, QWidget* parent = nullptr);
    void Load() override;
    void Store() override;

private:
    CFolderRow* folder_ = nullptr;
    QSpinBox* length_ = nullptr;
    QSpinBox* frameRate_ = nullptr;
    QCheckBox* wmv_ = nullptr;
    QPushButton* profile_ = nullptr;
};

}  // namespace ocv
