#include "ui/UPnPTestSequence.h"

#include <string>

#include "net/UPnP.h"

namespace ocv {

UPnPSteps GatewayUPnPSteps() {
    UPnPSteps s;
    s.search = [](std::string& location, std::string& type, StopEvent stop) {
        return SearchGateway(location, type, 5000, std::move(stop));
    };
    s.controlUrl = [](const std::string& location, std::string& type, std::string& url,
                      StopEvent stop) { return FindControlUrl(location, type, url, std::move(stop)); };
    s.externalAddress = [](const std::string& url, const std::string& type, std::string& text,
                           StopEvent stop) {
        return GetExternalIpAddress(url, type, text, std::move(stop));
    };
    s.addMapping = [](const std::string& url, const std::string& type, const std::string& client,
                      int ext, int in, std::string& error, StopEvent stop) {
        return AddPortMapping(url, type, client, ext, in, error, std::move(stop));
    };
    s.deleteMapping = [](const std::string& url, const std::string& type, int ext,
                         std::string& error, StopEvent stop) {
        return DeletePortMapping(url, type, ext, error, std::move(stop));
    };
    return s;
}

bool RunUPnPTest(const UPnPSteps& steps, int port, const std::string& localAddress,
                 const std::function<void(const std::string&)>& out, StopEvent stop) {
    auto fail = [&](const std::string& line) {
        out(line);
        out("UPnPが使用できる環境ではありません!\r\n");
        out("ﾙｰﾀの管理ﾂｰﾙを使用してﾎﾟｰﾄを開放してください。\r\n");
        return false;
    };
    auto mappingFailed = [&](const std::string& errorText) {
        out(errorText + "\r\n\r\n");
        return fail("ERROR : Port mapping failed!\r\n");
    };
    std::string location, type, controlUrl, global, error;
    if (!steps.search(location, type, stop) || location.empty())
        return fail("ERROR : Internet Gateway Device not found!\r\n");
    out("URL:" + location + "\r\n");
    out("Searching control URL...\r\n");
    if (!steps.controlUrl(location, type, controlUrl, stop) || controlUrl.empty())
        return fail("ERROR : Control URL not found! \r\n");
    out("Control URL:" + controlUrl + "\r\n");
    out("Query Grobal IP Address...\r\n");
    if (!steps.externalAddress(controlUrl, type, global, stop) || global.empty())
        return fail("ERROR : Grobal IP Address not found!\r\n");
    out("Grobal IP Address:" + global + "\r\n");
    out("Execute port mapping...\r\n");
    if (!steps.addMapping(controlUrl, type, localAddress, port, port, error, stop))
        return mappingFailed(error);
    out(global + ":" + std::to_string(port) + " ----> " + localAddress + ":" +
        std::to_string(port) + "\r\n");
    out("Delete port mapping...\r\n");
    if (!steps.deleteMapping(controlUrl, type, port, error, stop)) return mappingFailed(error);
    out("UPnPによる一連の処理が正常に終了しました。\r\n");
    out("UPnPが使用できます。\r\n");
    return true;
}

}  // namespace ocv
