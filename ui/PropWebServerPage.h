#pragma once
// "broadcast": the built-in web server of the camera: switch, network interface, port, the local
// and global addresses it is reached at, its details, UPnP and the pages for cellular phones.
// The global address is asked of the gateway on a worker thread the first time the page shows.
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "net/NicMgr.h"
#include "ui/SheetPage.h"

class QComboBox;
class QSpinBox;

namespace ocv {

class NamedEvent;

class CPropWebServerPage : public CSheetPage {
    Q_OBJECT
public:
    // Asks for the global address; "" when there is none. Runs on a worker thread and should end
    // soon once the event is set.
    using AddressQuery = std::function<std::string(std::shared_ptr<NamedEvent> stop)>;

    // An empty query takes the sheet hook's, else asks the gateway through UPnP.
    CPropWebServerPage(SheetContext& context, QWidget* parent = nullptr, AddressQuery query = {});
    ~CPropWebServerPage() override;
    void Load() override;
    void Store() override;

    // Starts asking for the global address unless a query runs already.
    void RefreshGlobalUrl();
    // The address of the interface chosen now; "" when it has none.
    std::string LocalAddress() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateUrls();
    void OnGlobalAddress(const std::string& address);

    AddressQuery query_;
    CNicMgr nics_;
    QCheckBox* enable_ = nullptr;
    QComboBox* nic_ = nullptr;
    QSpinBox* port_ = nullptr;
    QLineEdit* localUrl_ = nullptr;
    QLineEdit* globalUrl_ = nullptr;
    QCheckBox* upnp_ = nullptr;
    QCheckBox* imode_ = nullptr;

    enum class Global { NotAsked, Asking, Failed, Known };
    Global global_ = Global::NotAsked;
    std::string globalAddress_;
    bool shownOnce_ = false;
    std::shared_ptr<NamedEvent> stop_;
    std::thread worker_;
};

}  // namespace ocv
