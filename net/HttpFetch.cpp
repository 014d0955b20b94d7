#include "net/HttpFetch.h"

#include <curl/curl.h>
#include <sys/poll.h>

#include <chrono>
#include <mutex>

namespace ocv {
namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
    std::string* body;
    size_t limit;
    bool overflow = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    size_t n = size * count;
    if (sink->body->size() + n > sink->limit) {
        sink->overflow = true;
        return 0;  // makes curl fail the transfer
    }
    sink->body->append(data, n);
    return n;
}

}  // namespace

HttpExchange PerformHttp(const HttpRequestSpec& wanted) {
    GlobalInit();
    HttpExchange out;
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    if (easy == nullptr || multi == nullptr) {
        if (easy) curl_easy_cleanup(easy);
        if (multi) curl_multi_cleanup(multi);
        out.error = "curl initialisation failed";
        return out;
    }
    Sink sink{&out.body, wanted.maxBody};
    curl_slist* headers = nullptr;
    for (const auto& h : wanted.headers) headers = curl_slist_append(headers, h.c_str());

    curl_easy_setopt(easy, CURLOPT_URL, wanted.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(wanted.timeoutMs));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(wanted.timeoutMs));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(wanted.maxBody));
    curl_easy_setopt(easy, CURLOPT_PROXY, "");  // the gateway is on the local network
    if (headers) curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    if (wanted.method == "POST") {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(wanted.body.size()));
        curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, wanted.body.c_str());
    }
    curl_multi_add_handle(multi, easy);

    bool stopped = false;
    int running = 1;
    while (running > 0) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) break;
        if (running == 0) break;
        curl_waitfd extra[1];
        unsigned nExtra = 0;
        if (wanted.stop) {
            extra[0].fd = wanted.stop->Fd();
            extra[0].events = CURL_WAIT_POLLIN;
            extra[0].revents = 0;
            nExtra = 1;
        }
        curl_multi_poll(multi, nExtra ? extra : nullptr, nExtra, 200, nullptr);
        if (wanted.stop && wanted.stop->IsSet()) {
            stopped = true;
            break;
        }
    }

    CURLcode result = CURLE_OK;
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg == CURLMSG_DONE) result = msg->data.result;
    }
    if (stopped) {
        out.error = "Interrupted function call.";
    } else if (sink.overflow) {
        out.error = "response too large";
    } else if (result != CURLE_OK) {
        out.error = curl_easy_strerror(result);
    } else {
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &out.status);
        out.completed = true;
    }
    curl_multi_remove_handle(multi, easy);
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
    return out;
}

std::string CombineUrl(const std::string& base, const std::string& reference) {
    GlobalInit();
    CURLU* u = curl_url();
    if (u == nullptr) return {};
    std::string result;
    if (curl_url_set(u, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        curl_url_set(u, CURLUPART_URL, reference.c_str(), 0) == CURLUE_OK) {
        char* full = nullptr;
        if (curl_url_get(u, CURLUPART_URL, &full, 0) == CURLUE_OK && full != nullptr) {
            result = full;
            curl_free(full);
        }
    }
    curl_url_cleanup(u);
    return result;
}

}  // namespace ocv
