#pragma once
// The pages of the connection wizard. The first page's choice decides the next page; the last
// pages (capture device, stream URL, a network camera's setup, connection file) finish it and
// fill the chosen device information.
#include <memory>
#include <string>
#include <vector>

#include <QWizardPage>

#include "foundation/DeviceInfo.h"
#include "sources/CaptureDevice.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;

namespace ocv {

class CLogger;
class CModelFormatPanel;

// What the wizard yields: the new device information and the camera's name (empty keeps it).
struct CameraSelection {
    DeviceInfo info;
    std::string name;
};

// Page ids in the wizard's order.
enum WizardPageId {
    kPageSelectDevice,
    kPageVideoCapture,
    kPageWmEncorder,
    kPageSelectNetDevice,
    kPagePanasonic,
    kPageAxis,
    kPageVivotek,
    kPageOcuvane,
    kPageFileLoad,
    kPageMegaChips,
    kPageMjpegUrl,
};

// A last page: fills `out` from its fields, or gives the message that keeps the wizard open.
class IFinishPage {
public:
    virtual ~IFinishPage() = default;
    virtual bool Finish(CameraSelection& out, QString& message) = 0;
};

class CPropSelectDevicePage : public QWizardPage {
    Q_OBJECT
public:
    enum Choice { kLocal, kNetwork, kFile };
    explicit CPropSelectDevicePage(const CameraSelection& initial, QWidget* parent = nullptr);
    Choice Chosen() const;
    void Choose(Choice choice);
    std::string Name() const;
    QLineEdit* NameField() const { return name_; }
    int nextId() const override;

private:
    QRadioButton* local_;
    QRadioButton* network_;
    QRadioButton* file_;
    QLineEdit* name_;
};

class CPropVideoCapturePage : public QWizardPage, public IFinishPage {
    Q_OBJECT
public:
    CPropVideoCapturePage(std::shared_ptr<ICaptureSystem> system, const DeviceInfo& initial,
                          QWidget* parent = nullptr);
    void initializePage() override;
    int nextId() const override { return -1; }
    bool Finish(CameraSelection& out, QString& message) override;
    QListWidget* List() const { return list_; }

private:
    std::shared_ptr<ICaptureSystem> system_;
    DeviceInfo initial_;
    std::vector<CaptureDeviceEntry> devices_;
    QListWidget* list_;
    QPlainTextEdit* details_;
    bool filled_ = false;
};

class CPropWmEncorderPage : public QWizardPage, public IFinishPage {
    Q_OBJECT
public:
    explicit CPropWmEncorderPage(const DeviceInfo& initial, QWidget* parent = nullptr);
    int nextId() const override { return -1; }
    bool Finish(CameraSelection& out, QString& message) override;
    QLineEdit* UrlField() const { return url_; }

private:
    QLineEdit* url_;
};

class CPropSelectNetDevicePage : public QWizardPage {
    Q_OBJECT
public:
    explicit CPropSelectNetDevicePage(int32_t initialType, QWidget* parent = nullptr);
    int32_t ChosenType() const;
    void ChooseType(int32_t deviceType);
    QString Information() const;
    int nextId() const override;

private:
    QComboBox* family_;
    QLabel* info_;
};

// The setup page of a network camera family, built on its format panel.
class CModelWizardPage : public QWizardPage, public IFinishPage {
    Q_OBJECT
public:
    CModelWizardPage(int32_t deviceType, const DeviceInfo& initial, QWidget* parent = nullptr);
    int nextId() const override { return -1; }
    bool Finish(CameraSelection& out, QString& message) override;
    CModelFormatPanel* Panel() const { return panel_; }

private:
    CModelFormatPanel* panel_;
};

class CPropOcuvanePage : public CModelWizardPage {
    Q_OBJECT
public:
    explicit CPropOcuvanePage(const DeviceInfo& i, QWidget* p = nullptr)
        : CModelWizardPage(DEVICE_PEER_INSTANCE, i, p) {}
};
class CPropPanasonicKxPage : public CModelWizardPage {
    Q_OBJECT
public:
    explicit CPropPanasonicKxPage(const DeviceInfo& i, QWidget* p = nullptr)
        : CModelWizardPage(DEVICE_PANASONIC, i, p) {}
};
class CPropAxisNetcamPage : public CModelWizardPage {
    Q_OBJECT
public:
    explicit CPropAxisNetcamPage(const DeviceInfo& i, QWidget* p = nullptr)
        : CModelWizardPage(DEVICE_AXIS, i, p) {}
};
class CPropVivotekNetcamPage : public CModelWizardPage {
    Q_OBJECT
public:
    explicit CPropVivotekNetcamPage(const DeviceInfo& i, QWidget* p = nullptr)
        : CModelWizardPage(DEVICE_VIVOTEK, i, p) {}
};
class CPropMegaChipsSurfeelPage : public CModelWizardPage {
    Q_OBJECT
public:
    explicit CPropMegaChipsSurfeelPage(const DeviceInfo& i, QWidget* p = nullptr)
        : CModelWizardPage(DEVICE_MEGACHIPS, i, p) {}
};
class CPropMjpegUrlPage : public CModelWizardPage {
    Q_OBJECT
public:
    explicit CPropMjpegUrlPage(const DeviceInfo& i, QWidget* p = nullptr)
        : CModelWizardPage(DEVICE_MJPEG_URL, i, p) {}
};

class CPropFileLoadPage : public QWizardPage, public IFinishPage {
    Q_OBJECT
public:
    CPropFileLoadPage(CLogger& log, QWidget* parent = nullptr);
    int nextId() const override { return -1; }
    bool Finish(CameraSelection& out, QString& message) override;
    QLineEdit* PathField() const { return path_; }

private:
    CLogger& log_;
    QLineEdit* path_;
};

// "Name|pattern|Name|pattern||" as the filter list of a Qt file dialog.
QString QtFileFilter(const char* filter);

}  // namespace ocv
