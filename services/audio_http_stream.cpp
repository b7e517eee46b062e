#include "audio_http_stream.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "http_download_get.h"
#include "http_download_url.h"
#include "http_socket.h"
#include "local_helpers.h"

namespace {

const unsigned long long kNone = ~0ull;
// A read this far ahead of the download is waited for; further ahead, the download moves there.
const unsigned long long kReadAhead = 64 * 1024;
const int kMaxFailures = 5;  // requests in a row that bring nothing
const int kMaxRedirects = 5;
const HRESULT kCannotConnect = static_cast<HRESULT>(0xC00D0006);  // the runtime's "cannot connect"
const HRESULT kConnectionLost = HRESULT_FROM_WIN32(ERROR_NET_WRITE_FAULT);

HRESULT HttpStatusResult(int status) {
    return MAKE_HRESULT(SEVERITY_ERROR, 25 /* FACILITY_HTTP */, status > 0 ? status : 0);
}

}  // namespace

struct CAudioHttpStream::Download {
    std::mutex lock;
    std::condition_variable changed;
    std::string url;
    HANDLE ready = nullptr;
    HRESULT openResult = E_PENDING;
    HRESULT failure = S_OK;  // set when the download gave up
    bool cancelled = false;
    // kNone while unknown: a body without Content-Length, until the server closes it.
    unsigned long long length = kNone;
    bool lengthAnnounced = false;
    std::vector<char> data;  // grows as bytes arrive, never from the announced length
    std::map<unsigned long long, unsigned long long> have;  // downloaded [start, end), merged
    unsigned long long fetchPosition = 0;                   // where the running request is
    unsigned long long wanted = kNone;                      // where a waiting read needs data

    ~Download() {
        if (ready) CloseHandle(ready);
    }

    // Under lock.
    bool Available(unsigned long long from, unsigned long long to) const {
        if (from >= to) return true;
        auto next = have.upper_bound(from);
        if (next == have.begin()) return false;
        --next;
        return next->first <= from && next->second >= to;
    }

    // Under lock: the first byte at or after from that is missing (wrapping to the start), or kNone.
    unsigned long long FirstGap(unsigned long long from) const {
        for (unsigned long long start : {from, 0ull}) {
            unsigned long long position = start;
            for (auto it = have.begin(); it != have.end(); ++it) {
                if (it->second <= position) continue;
                if (it->first > position) break;
                position = it->second;
            }
            if (position < length) return position;
        }
        return kNone;
    }

    // Under lock. False when the bytes cannot be kept (beyond the cap, or out of memory).
    bool Store(unsigned long long position, const char* bytes, size_t count) {
        unsigned long long end = position + count;
        if (end > CAudioHttpStream::kMaxItemBytes) return false;
        if (end > data.size()) {
            try {
                // Geometric growth: a long item costs few moves.
                if (end > data.capacity())
                    data.reserve(static_cast<size_t>(std::min<unsigned long long>(
                        std::max<unsigned long long>(end, 2ull * data.capacity()), CAudioHttpStream::kMaxItemBytes)));
                data.resize(static_cast<size_t>(end));
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        memcpy(&data[static_cast<size_t>(position)], bytes, count);
        unsigned long long start = position;
        auto it = have.upper_bound(start);
        if (it != have.begin()) {
            auto previous = std::prev(it);
            if (previous->second >= start) {
                start = previous->first;
                end = std::max(end, previous->second);
                it = have.erase(previous);
            }
        }
        while (it != have.end() && it->first <= end) {
            end = std::max(end, it->second);
            it = have.erase(it);
        }
        have[start] = end;
        return true;
    }

    bool IsCancelled() {
        std::lock_guard<std::mutex> guard(lock);
        return cancelled;
    }

    void Finish(HRESULT result) {
        std::lock_guard<std::mutex> guard(lock);
        if (openResult == E_PENDING) openResult = result;
        if (FAILED(result) && SUCCEEDED(failure)) failure = result;
        changed.notify_all();
        SetEvent(ready);
    }
};

namespace {

// Sends a GET of url from position (no Range at 0) and reads the answer's header, with the
// client's own time-outs: a slow server is waited for as long as any other request waits.
// S_OK when the connection answered; the status is then in http.
HRESULT SendGet(CHttpRequest& http, const std::string& url, unsigned long long position) {
    std::string scheme, host, path;
    unsigned short port = 80;
    if (!CHttpRequest::SplitUrl(url, scheme, host, path, port) || scheme != "HTTP") return E_INVALIDARG;
    if (!http.Connect(host.c_str(), port)) {
        http.Close();
        return kCannotConnect;
    }
    http.SetTimeout(CHttpSocket::kGetReceiveTimeoutMs, CHttpSocket::kReceiveTimeout);
    http.SetTimeout(CHttpSocket::kGetSendTimeoutMs, CHttpSocket::kSendTimeout);
    int length = 0;
    if (!http.FormatRequest(host.c_str(), path.c_str(), length, nullptr, nullptr, http.GetUserAgent().c_str(),
                            http.GetAccept().c_str(), nullptr, nullptr, static_cast<unsigned long>(position), 0) ||
        !http.SendRequest()) {
        http.Close();
        return kCannotConnect;
    }
    return S_OK;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The URL that a redirect's Location names, seen from url (the downloader's rules: absolute, or
// relative to the URL that was asked for).
bool RedirectTarget(const std::string& url, const std::string& location, std::string& next) {
    HttpTarget from, to;
    std::string directory, file;
    if (!SplitHttpUrl(url, from.host, from.port, directory, file)) return false;
    from.directory = PercentEncodeUrlText(directory);
    from.file = PercentEncodeUrlText(file);
    if (!ResolveLocation(location, from, to)) return false;
    next = to.directory + to.file;
    return true;
}

// The first request: follows redirects, learns the length (kNone when the answer has none). On
// success the connection stays open at the body's first byte.
HRESULT OpenFirst(CHttpRequest& http, std::string& url, unsigned long long& length) {
    for (int redirects = 0;; ++redirects) {
        HRESULT hr = SendGet(http, url, 0);
        if (FAILED(hr)) return hr;
        int status = http.GetStatusCode();
        std::string location, next;
        if (IsRedirect(status) && redirects < kMaxRedirects && http.GetHeaderValue("Location", location) &&
            RedirectTarget(url, location, next)) {
            http.Close();
            url = next;
            continue;
        }
        if (status != 200) {
            http.Close();
            return HttpStatusResult(status);
        }
        std::string field;
        if (http.GetHeaderValue("Transfer-Encoding", field) && _stricmp(field.c_str(), "identity") != 0) {
            // The body would carry the coding's framing, not the item's bytes.
            http.Close();
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        }
        if (!http.GetHeaderValue("Content-Length", field)) {
            length = kNone;  // the body ends where the server closes the connection
            return S_OK;
        }
        if (!http.GetContentLengthField(length) || length == 0) {
            http.Close();
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
        }
        return S_OK;
    }
}

void RunDownload(std::shared_ptr<CAudioHttpStream::Download> download) {
    CHttpRequest http;
    std::string url;
    {
        std::lock_guard<std::mutex> guard(download->lock);
        url = download->url;
    }
    unsigned long long length = 0;
    HRESULT hr = OpenFirst(http, url, length);
    const bool announced = SUCCEEDED(hr) && length != kNone;
    if (SUCCEEDED(hr)) {
        std::lock_guard<std::mutex> guard(download->lock);
        download->length = length;
        download->lengthAnnounced = announced;
    }
    download->Finish(hr);
    if (FAILED(hr)) return;

    std::vector<char> buffer(64 * 1024);
    unsigned long long position = 0;
    int failures = 0;
    // Until a ranged request comes back whole: a server that ignores ranges is read in order,
    // since asking it again from elsewhere only starts the body over.
    bool ranges = true;
    while (!download->IsCancelled()) {
        if (!http.IsConnected()) {
            {
                std::lock_guard<std::mutex> guard(download->lock);
                if (download->wanted != kNone && !download->Available(download->wanted, download->wanted + 1))
                    position = download->wanted;
                else
                    position = download->FirstGap(position);
                download->wanted = kNone;
                if (position == kNone) break;  // everything is here
                download->fetchPosition = position;
            }
            hr = SendGet(http, url, position);
            int status = SUCCEEDED(hr) ? http.GetStatusCode() : 0;
            if (status == 200 && position != 0) {
                position = 0;  // the server ignored the range: the body starts at 0
                ranges = false;
            } else if (status != 206 && !(status == 200 && position == 0)) {
                http.Close();
                if (++failures >= kMaxFailures) {
                    download->Finish(FAILED(hr) ? hr : HttpStatusResult(status));
                    return;
                }
                std::unique_lock<std::mutex> guard(download->lock);
                download->changed.wait_for(guard, std::chrono::milliseconds(200 * failures),
                                           [&] { return download->cancelled; });
                continue;
            }
        }
        int want = static_cast<int>(announced ? std::min<unsigned long long>(buffer.size(), length - position)
                                              : buffer.size());
        int received = want > 0 ? http.Receive(buffer.data(), want) : 0;
        if (received <= 0) {
            // The connection ended (closed by Receive).
            http.Close();
            if (!announced) {
                // Without a length the server's close is the end of the item; an error or a
                // silence longer than the time-out is not, and such a body cannot be asked
                // for again from where it broke off.
                if (received < 0) {
                    download->Finish(kConnectionLost);
                } else {
                    std::lock_guard<std::mutex> guard(download->lock);
                    download->length = position;
                    download->changed.notify_all();
                }
                return;
            }
            // The next step asks again from here.
            if (position < length && ++failures >= kMaxFailures) {
                download->Finish(kConnectionLost);
                return;
            }
            continue;
        }
        failures = 0;
        std::unique_lock<std::mutex> guard(download->lock);
        if (!download->Store(position, buffer.data(), static_cast<size_t>(received))) {
            guard.unlock();
            download->Finish(E_OUTOFMEMORY);
            return;
        }
        position += static_cast<unsigned long long>(received);
        download->fetchPosition = position;
        unsigned long long wanted = download->wanted;
        if (wanted != kNone) {
            if (download->Available(wanted, wanted + 1))
                download->wanted = kNone;
            else if (announced && ranges && (wanted < position || wanted > position + kReadAhead))
                http.Close();  // move the download to where the reader is
        }
        if (announced && position >= length) http.Close();
        download->changed.notify_all();
    }
    http.Close();
}

}  // namespace

CAudioHttpStream* CAudioHttpStream::Create(const wchar_t* url) {
    if (!url || _wcsnicmp(url, L"http://", 7) != 0) return nullptr;
    std::shared_ptr<Download> download = std::make_shared<Download>();
    download->url = WideToUtf8(url);
    download->ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!download->ready) return nullptr;
    std::thread(RunDownload, download).detach();
    return new CAudioHttpStream(download);
}

CAudioHttpStream::CAudioHttpStream(std::shared_ptr<Download> download)
    : m_download(std::move(download)), m_refCount(1), m_position(0) {}

CAudioHttpStream::~CAudioHttpStream() { Cancel(); }

HANDLE CAudioHttpStream::ReadyEvent() const { return m_download->ready; }

HRESULT CAudioHttpStream::OpenResult() const {
    std::lock_guard<std::mutex> guard(m_download->lock);
    return m_download->openResult;
}

void CAudioHttpStream::Cancel() {
    std::lock_guard<std::mutex> guard(m_download->lock);
    m_download->cancelled = true;
    if (m_download->openResult == E_PENDING) m_download->openResult = E_ABORT;
    m_download->changed.notify_all();
    SetEvent(m_download->ready);
}

unsigned long long CAudioHttpStream::Length() const {
    std::lock_guard<std::mutex> guard(m_download->lock);
    if (m_download->openResult != S_OK) return 0;
    return m_download->length == kNone ? kMaxItemBytes : m_download->length;
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IStream)) {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CAudioHttpStream::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }

ULONG STDMETHODCALLTYPE CAudioHttpStream::Release() {
    LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::Read(void* buffer, ULONG size, ULONG* read) {
    if (read) *read = 0;
    if (!buffer && size) return STG_E_INVALIDPOINTER;
    Download& download = *m_download;
    std::unique_lock<std::mutex> guard(download.lock);
    if (download.cancelled) return E_ABORT;
    if (download.openResult != S_OK) return FAILED(download.openResult) ? download.openResult : E_FAIL;
    const unsigned long long from = m_position;
    unsigned long long to = 0;
    for (;;) {
        if (download.cancelled) return E_ABORT;
        if (from >= download.length) return S_FALSE;
        to = std::min(from + size, download.length);
        if (download.Available(from, to)) break;
        if (FAILED(download.failure)) return download.failure;
        if (download.lengthAnnounced) {
            if (from < download.fetchPosition || from > download.fetchPosition + kReadAhead) download.wanted = from;
        } else if (from > download.fetchPosition + kReadAhead) {
            // A body without a length comes only in order: nothing is there yet.
            return S_FALSE;
        }
        download.changed.wait(guard);
    }
    ULONG count = static_cast<ULONG>(to - from);
    memcpy(buffer, &download.data[static_cast<size_t>(from)], count);
    m_position = to;
    if (read) *read = count;
    return count == size ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::Write(const void*, ULONG, ULONG* written) {
    if (written) *written = 0;
    return STG_E_ACCESSDENIED;
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    long long base = 0;
    switch (origin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<long long>(m_position); break;
    case STREAM_SEEK_END: base = static_cast<long long>(Length()); break;
    default: return STG_E_INVALIDFUNCTION;
    }
    long long target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    m_position = static_cast<unsigned long long>(target);
    if (newPosition) newPosition->QuadPart = m_position;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::SetSize(ULARGE_INTEGER) { return STG_E_ACCESSDENIED; }

HRESULT STDMETHODCALLTYPE CAudioHttpStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::Commit(DWORD) { return S_OK; }

HRESULT STDMETHODCALLTYPE CAudioHttpStream::Revert() { return S_OK; }

HRESULT STDMETHODCALLTYPE CAudioHttpStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::Stat(STATSTG* stat, DWORD) {
    if (!stat) return STG_E_INVALIDPOINTER;
    memset(stat, 0, sizeof(*stat));
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = Length();
    stat->grfMode = STGM_READ;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAudioHttpStream::Clone(IStream** stream) {
    if (stream) *stream = nullptr;
    return E_NOTIMPL;
}
