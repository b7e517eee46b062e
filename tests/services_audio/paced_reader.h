// A media reader of our own for the audio engine's tests, behaving as the Windows runtime's
// asynchronous reader does where Wine's differs: it pauses and resumes itself, keeps its own
// time from the start position of each start (samples come when their time is due), and takes a
// clock from its user only when told to accept one. Its item is a pure tone of 16-bit stereo PCM
// at 44.1 kHz, delivered in samples of 40 ms.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "wm_reader_api.h"

class PacedReader : public WmReader::IWMReader, public WmReader::IWMReaderAdvanced, public WmReader::IWMHeaderInfo {
public:
    // acceptsUserClock: SetUserProvidedClock(TRUE) succeeds and DeliverTime then paces the samples.
    PacedReader(double hz, double seconds, bool acceptsUserClock);
    PacedReader(const PacedReader&) = delete;
    PacedReader& operator=(const PacedReader&) = delete;

    // How often the engine paused it.
    int PauseCalls() const;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }
    ULONG STDMETHODCALLTYPE Release() override;
    // IWMReader
    HRESULT STDMETHODCALLTYPE Open(const WCHAR* url, WmReader::IWMReaderCallback* callback, void* context) override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE GetOutputCount(DWORD* outputs) override;
    HRESULT STDMETHODCALLTYPE GetOutputProps(DWORD outputNum, WmReader::IWMOutputMediaProps** output) override;
    HRESULT STDMETHODCALLTYPE SetOutputProps(DWORD, WmReader::IWMOutputMediaProps*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOutputFormatCount(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOutputFormat(DWORD, DWORD, WmReader::IWMOutputMediaProps**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Start(WmReader::QWORD start, WmReader::QWORD duration, float rate, void* context) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Resume() override;
    // IWMReaderAdvanced: the clock; the rest is not used by the engine.
    HRESULT STDMETHODCALLTYPE SetUserProvidedClock(BOOL userClock) override;
    HRESULT STDMETHODCALLTYPE GetUserProvidedClock(BOOL* userClock) override;
    HRESULT STDMETHODCALLTYPE DeliverTime(WmReader::QWORD time) override;
    HRESULT STDMETHODCALLTYPE SetManualStreamSelection(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetManualStreamSelection(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStreamsSelected(WORD, WORD*, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamSelected(WORD, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetReceiveSelectionCallbacks(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetReceiveSelectionCallbacks(BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetReceiveStreamSamples(WORD, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetReceiveStreamSamples(WORD, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAllocateForOutput(DWORD, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAllocateForOutput(DWORD, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAllocateForStream(WORD, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAllocateForStream(WORD, BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStatistics(WmReader::WM_READER_STATISTICS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetClientInfo(WmReader::WM_READER_CLIENTINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMaxOutputSampleSize(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMaxStreamSampleSize(WORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyLateDelivery(WmReader::QWORD) override { return E_NOTIMPL; }
    // IWMHeaderInfo: "Duration" and "Seekable"; every other attribute is not found.
    HRESULT STDMETHODCALLTYPE GetAttributeCount(WORD, WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAttributeByIndex(WORD, WORD*, WCHAR*, WORD*, WmReader::WMT_ATTR_DATATYPE*, BYTE*,
                                                  WORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetAttributeByName(WORD* streamNum, const WCHAR* name, WmReader::WMT_ATTR_DATATYPE* type,
                                                 BYTE* value, WORD* length) override;
    HRESULT STDMETHODCALLTYPE SetAttribute(WORD, const WCHAR*, WmReader::WMT_ATTR_DATATYPE, const BYTE*, WORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMarkerCount(WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMarker(WORD, WCHAR*, WORD*, WmReader::QWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddMarker(const WCHAR*, WmReader::QWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveMarker(WORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScriptCount(WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetScript(WORD, WCHAR*, WORD*, WCHAR*, WORD*, WmReader::QWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AddScript(const WCHAR*, const WCHAR*, WmReader::QWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveScript(WORD) override { return E_NOTIMPL; }

private:
    enum class Order { None, Start, Stop, Close };

    virtual ~PacedReader();
    void Run();
    void Status(WmReader::WMT_STATUS status, void* context);
    // Waits until the sample at time is due or an order came; false on an order.
    bool WaitUntilDue(std::unique_lock<std::mutex>& lock, WmReader::QWORD time);
    void DeliverSample(WmReader::QWORD time, void* context);

    volatile LONG m_refCount = 1;
    const double m_hz;
    const WmReader::QWORD m_duration;
    const bool m_acceptsUserClock;
    WmReader::IWMReaderCallback* m_callback = nullptr;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;                                  // opened and not yet told to close
    Order m_order = Order::None;
    WmReader::QWORD m_orderStart = 0;
    void* m_orderContext = nullptr;
    bool m_paused = false;
    bool m_userClock = false;
    WmReader::QWORD m_userTime = 0;
    WmReader::QWORD m_runStart = 0;                       // the start time of the run
    std::chrono::steady_clock::time_point m_runBegan;     // when it began, moved on by pauses
    std::chrono::steady_clock::time_point m_pausedSince;
    int m_pauseCalls = 0;
};
