#pragma once
// One HTTP GET through libcurl, read as a stream: Open waits until the status and headers of the
// final answer are in, Read then hands the body to a sink block by block as it arrives. Every
// wait is one poll on the sockets libcurl names and the stop event's descriptor, so setting the
// event ends a wait at once. Credentials in the URL's user-info part are sent with Basic or Digest
// authentication, whichever the server asks for.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ocv {

class NamedEvent;

struct HttpTimeouts {
    long connectMs = 5000;
    // No byte of the answer for this long fails the transfer. It runs from the moment the
    // request is started, so it also bounds the sending of the request.
    long receiveMs = 5000;
};

class CHttpStream {
public:
    enum class OpenResult {
        kOk,          // status and headers are in
        kOpenFailed,  // no answer (connect, name, TLS, time-out...); ErrorText() says why
        kNoStatus,    // an answer came without a readable status line
        kStopped,     // the stop event was set
    };
    enum class ReadResult {
        kEnd,          // the body ended normally
        kError,        // the transfer broke or timed out; ErrorText() says why
        kStopped,      // the stop event was set
        kSinkStopped,  // the sink asked to stop
    };
    // Takes each block of the body; false stops the transfer.
    using Sink = std::function<bool(const uint8_t* data, size_t size)>;

    explicit CHttpStream(std::shared_ptr<NamedEvent> stop, HttpTimeouts timeouts = {});
    ~CHttpStream();
    CHttpStream(const CHttpStream&) = delete;
    CHttpStream& operator=(const CHttpStream&) = delete;

    OpenResult Open(const std::string& url);
    ReadResult Read(const Sink& sink);
    // Ends the current transfer and frees its connection.
    void Close();
    // Called from the sink: the socket is not read again for `ms` milliseconds (the stop event
    // still ends the wait at once). What arrives meanwhile waits in the socket's receive buffer
    // and is handed over in one block, so a reader that wants only the newest data wakes less.
    void HoldReading(int ms);
    // A hold ends early when `cut` is set (it is reset then), and `begun` is called on the reading
    // thread each time a hold begins, that is once what had arrived has been read to the end.
    void SetHoldHooks(std::shared_ptr<NamedEvent> cut, std::function<void()> begun);
    // Called on the reading thread once the sink has had all of one read of the socket (libcurl
    // hands a read over in pieces of at most 16 KB). False stops the transfer as a sink that
    // returns false does. An empty function removes it.
    void SetReadEnd(std::function<bool()> fn) { readEnd_ = std::move(fn); }
    // The receive buffer asked of the kernel for the next connections (0: the system default).
    // It must hold what arrives during a hold.
    void SetReceiveBuffer(int bytes) { receiveBuffer_ = bytes; }

    long Status() const { return status_; }
    // The Content-Type header as sent; false when the answer has none.
    bool ContentType(std::string& out) const;
    // The Content-Length header; false when the answer has none (or it is unusable).
    bool ContentLength(int64_t& out) const;
    const std::string& ErrorText() const { return error_; }

private:
    struct Impl;
    static size_t OnWrite(char* data, size_t size, size_t count, void* self);
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    // libcurl's socket and timer callbacks (void* stands for CURL* / CURLM*).
    static int OnSocket(void* easy, int fd, int what, void* impl, void* socketData);
    static int OnTimer(void* multi, long timeoutMs, void* impl);
    static int OnSocketOption(void* self, int fd, int purpose);
    // Drives the transfer until `done()` is true, the transfer ends or the stop event is set.
    // Returns 0 while running normally, 1 when the transfer ended, 2 on stop, 3 on time-out.
    int Pump(const std::function<bool()>& done);

    // Waits out the current hold; true when it was cut short.
    bool WaitHold(int ms);

    std::shared_ptr<NamedEvent> stop_;
    std::shared_ptr<NamedEvent> holdCut_;
    std::function<void()> holdBegun_;
    std::function<bool()> readEnd_;
    HttpTimeouts timeouts_;
    std::unique_ptr<Impl> impl_;
    long status_ = 0;
    int receiveBuffer_ = 0;
    std::string error_;
};

}  // namespace ocv
