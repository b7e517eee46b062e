// A read-only IStream over an http:// URL, fed by the player's own HTTP client, for a media
// runtime that cannot fetch URLs itself. A worker thread downloads the item into memory in
// order (ranged requests from where a read needs data); reads at any offset wait until their
// bytes have arrived and fail once the stream is cancelled or the download has failed for good.
// The memory grows with the bytes that came, whatever length the server announced. An answer
// without a Content-Length (a broadcast) is read in order to the server's close: until then its
// length counts as kMaxItemBytes and a read far beyond the bytes that came finds nothing.
#pragma once

#include <objidl.h>
#include <windows.h>

#include <memory>
#include <string>

class CAudioHttpStream final : public IStream {
public:
    // The most of one item that is kept: the download fails when its bytes would go beyond.
    static constexpr unsigned long long kMaxItemBytes = 256ull * 1024 * 1024;

    // Starts fetching url (refcount 1). Null for a URL that is not http.
    static CAudioHttpStream* Create(const wchar_t* url);

    // Set once the first answer has been read (or the request failed, or Cancel was called).
    HANDLE ReadyEvent() const;
    // S_OK once the item answered; the failure otherwise (E_PENDING before ready).
    HRESULT OpenResult() const;
    // Every waiting and later read fails; the worker stops at its next step.
    void Cancel();
    // The announced length, the length of a body without one once it has ended, else kMaxItemBytes.
    unsigned long long Length() const;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // ISequentialStream
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) override;
    // IStream
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size, DWORD type) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** stream) override;

    struct Download;  // shared with the worker thread

private:
    explicit CAudioHttpStream(std::shared_ptr<Download> download);
    ~CAudioHttpStream();

    std::shared_ptr<Download> m_download;
    volatile LONG m_refCount;
    unsigned long long m_position;
};
