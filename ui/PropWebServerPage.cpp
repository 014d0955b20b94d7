#include "ui/PropWebServerPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "net/UPnP.h"
#include "platform/NamedEvent.h"
#include "ui/FieldWidgets.h"
#include "ui/NicInfoDialog.h"
#include "ui/SheetHooks.h"
#include "ui/SheetText.h"
#include "ui/StreamSettingDialog.h"
#include "ui/UPnPTestDialog.h"
#include "ui/iModeSettingDialog.h"

namespace ocv {
namespace {

QString UrlOf(const std::string& address, int port) {
    if (address.empty()) return QString::fromUtf8(kNoAddress);
    return QString::asprintf(kLocalUrlFormat, address.c_str(), port);
}

QLineEdit* ReadOnly(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    return e;
}

}  // namespace

CPropWebServerPage::CPropWebServerPage(SheetContext& context, QWidget* parent, AddressQuery query)
    : CSheetPage(context, parent),
      query_(query                               ? std::move(query)
             : CurrentSheetHooks().globalAddress ? CurrentSheetHooks().globalAddress
                                                 : AddressQuery([](std::shared_ptr<NamedEvent> stop) {
                                                       return QueryExternalAddress(std::move(stop));
                                                   })),
      // The page lists only positions it has; a missing adapter is shown, not boxed.
      nics_([](const std::string&) {}),
      stop_(NamedEvent::Create("")) {
    nics_.Enumerate();
    enable_ = Check(Sh(st::kBroadcast), "enableWeb");
    nic_ = new QComboBox(this);
    nic_->setObjectName(QStringLiteral("nic"));
    for (const CNicMgr::Adapter& a : nics_.Adapters()) {
        const std::string name = a.description.empty() ? st::kUnknownInterface.english
                                                       : a.description;
        nic_->addItem(QString::fromStdString(a.ipv4.empty() ? name : name + " (" + a.ipv4 + ")"));
    }
    auto* nicInfo = Button(Sh(st::kNicInfo), "nicInfo");
    port_ = MakeRangeSpinBox("WebServer", "Port", Work().webServer.port, this);
    port_->setObjectName(QStringLiteral("port"));
    localUrl_ = ReadOnly(this, "localUrl");
    globalUrl_ = ReadOnly(this, "globalUrl");
    auto* details = Button(Sh(st::kDetails), "streamDetails");
    upnp_ = Check(Sh(st::kActivateUpnp), "enableUpnp");
    auto* upnpTest = Button(Sh(st::kUpnpTest), "upnpTest");
    imode_ = Check(Sh(st::kCellular), "enableImode");
    auto* imodeDetails = Button(Sh(st::kDetails), "imodeDetails");

    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const SheetText& label, QWidget* field, QWidget* extra = nullptr) {
        auto* l = new QLabel(Sh(label), this);
        l->setBuddy(field);
        grid->addWidget(l, row, 0);
        grid->addWidget(field, row, 1);
        if (extra) grid->addWidget(extra, row, 2);
        ++row;
    };
    addRow(st::kInterface, nic_, nicInfo);
    addRow(st::kPort, port_, details);
    addRow(st::kLocalUrl, localUrl_);
    addRow(st::kGlobalUrl, globalUrl_);
    grid->setColumnStretch(1, 1);
    auto* upnpRow = new QHBoxLayout;
    upnpRow->addWidget(upnp_);
    upnpRow->addWidget(upnpTest);
    upnpRow->addStretch(1);
    auto* imodeRow = new QHBoxLayout;
    imodeRow->addWidget(imode_);
    imodeRow->addWidget(imodeDetails);
    imodeRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(enable_);
    layout->addLayout(grid);
    layout->addLayout(upnpRow);
    layout->addLayout(imodeRow);
    layout->addStretch(1);

    connect(nic_, &QComboBox::currentIndexChanged, this, &CPropWebServerPage::UpdateUrls);
    connect(port_, &QSpinBox::valueChanged, this, &CPropWebServerPage::UpdateUrls);
    connect(nicInfo, &QPushButton::clicked, this, [this] {
        CNicInfoDialog dlg(nics_, nic_->currentIndex(), this);
        dlg.exec();
    });
    connect(details, &QPushButton::clicked, this, [this] {
        Edit([this](OcvParam& work) {
            CStreamSettingDialog dlg(work.webServer, this);
            if (dlg.exec() == QDialog::Accepted) work.webServer = dlg.Result();
        });
    });
    connect(imodeDetails, &QPushButton::clicked, this, [this] {
        Edit([this](OcvParam& work) {
            CiModeSettingDialog dlg(work.webServer, this);
            if (dlg.exec() == QDialog::Accepted) work.webServer = dlg.Result();
        });
    });
    connect(upnpTest, &QPushButton::clicked, this, [this] {
        CUPnPTestDialog dlg(port_->value(), LocalAddress(), GatewayUPnPSteps(), this);
        dlg.exec();
    });
    Load();
}

CPropWebServerPage::~CPropWebServerPage() {
    if (stop_) stop_->Set();
    if (worker_.joinable()) worker_.join();
}

void CPropWebServerPage::Load() {
    const WebServerSetting& w = Work().webServer;
    enable_->setChecked(w.enable != 0);
    // A position the machine does not have selects nothing and is kept on OK.
    nic_->setCurrentIndex(w.nicIndex >= 0 && w.nicIndex < nic_->count() ? w.nicIndex : -1);
    port_->setValue(w.port);
    upnp_->setChecked(w.enableUPnP != 0);
    imode_->setChecked(w.imodeEnable != 0);
    UpdateUrls();
}

void CPropWebServerPage::Store() {
    WebServerSetting& w = Work().webServer;
    w.enable = enable_->isChecked() ? 1 : 0;
    if (nic_->currentIndex() >= 0) w.nicIndex = nic_->currentIndex();
    w.port = port_->value();
    w.enableUPnP = upnp_->isChecked() ? 1 : 0;
    w.imodeEnable = imode_->isChecked() ? 1 : 0;
}

std::string CPropWebServerPage::LocalAddress() const {
    const int i = nic_->currentIndex();
    return i >= 0 && i < nics_.GetCount() ? nics_.GetIpAddress(i) : std::string();
}

void CPropWebServerPage::showEvent(QShowEvent* event) {
    CSheetPage::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        RefreshGlobalUrl();
    }
}

void CPropWebServerPage::RefreshGlobalUrl() {
    if (global_ == Global::Asking) return;
    if (worker_.joinable()) worker_.join();
    global_ = Global::Asking;
    UpdateUrls();
    worker_ = std::thread([this, query = query_, stop = stop_] {
        std::string address = query(stop);
        QMetaObject::invokeMethod(
            this, [this, address] { OnGlobalAddress(address); }, Qt::QueuedConnection);
    });
}

void CPropWebServerPage::OnGlobalAddress(const std::string& address) {
    globalAddress_ = address;
    global_ = address.empty() ? Global::Failed : Global::Known;
    UpdateUrls();
}

void CPropWebServerPage::UpdateUrls() {
    localUrl_->setText(UrlOf(LocalAddress(), port_->value()));
    switch (global_) {
        case Global::NotAsked: globalUrl_->setText(QString::fromUtf8(kNoAddress)); break;
        case Global::Asking: globalUrl_->setText(QString::fromUtf8(kQueryingGlobal)); break;
        case Global::Failed: globalUrl_->setText(QString::fromUtf8(kUpnpFailed)); break;
        case Global::Known: globalUrl_->setText(UrlOf(globalAddress_, port_->value())); break;
    }
}

}  // namespace ocv
