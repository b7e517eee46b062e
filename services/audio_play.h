// The audio engine: plays one item at a time, a local file or an http:// stream URL, through the
// Windows Media Format asynchronous reader (which decodes) and the wave-out device (which plays
// the PCM). It reports to one notify window: WM_PLAYER_STATE is posted with the AudioPlayState,
// WM_PLAYER_PROGRESS is sent twice per decoded sample (the position in milliseconds, then the
// time text).
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "win_owners.h"
#include "wm_reader_api.h"

class CAudioHttpStream;

// Window messages sent to the notify window.
const UINT WM_PLAYER_STATE = 2024;     // posted: wParam = lParam = AudioPlayState
const UINT WM_PLAYER_PROGRESS = 2025;  // sent: wParam 0 with the position in ms, then wParam 1
                                       // with a pointer to the time text (valid during the call)

enum AudioPlayState {
    kAudioStopped = 1,    // the reader stopped, or failed while nothing was queued
    kAudioPlaying = 3,    // the reader started, or buffering ended
    kAudioBuffering = 9,
    kAudioFinished = 12,  // after the end of the item the last queued block has been played
};

class CAudioPlay : public WmReader::IWMReaderCallback {
public:
    CAudioPlay();
    virtual ~CAudioPlay();
    CAudioPlay(const CAudioPlay&) = delete;
    CAudioPlay& operator=(const CAudioPlay&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IWMStatusCallback, IWMReaderCallback (called on the reader's threads)
    HRESULT STDMETHODCALLTYPE OnStatus(WmReader::WMT_STATUS status, HRESULT result,
                                       WmReader::WMT_ATTR_DATATYPE type, BYTE* value,
                                       void* context) override;
    HRESULT STDMETHODCALLTYPE OnSample(DWORD outputNum, WmReader::QWORD sampleTime,
                                       WmReader::QWORD sampleDuration, DWORD flags,
                                       WmReader::INSSBuffer* sample, void* context) override;

    // Initialises COM on the calling thread and creates the event and the reader.
    HRESULT Init();
    void SetNotifyWindow(HWND window) { m_notifyWindow = window; }

    // Opens a file path or an http:// URL and waits (dispatching the thread's messages) until
    // the reader has opened it. 1 when aborted meanwhile (the item is then closed).
    HRESULT Open(const wchar_t* url);
    // Plays from startTime (100-ns units) to the end of the item.
    HRESULT Start(WmReader::QWORD startTime);
    HRESULT Pause();
    HRESULT Resume();
    // Stops the reader and returns every queued block; 1 when aborted while waiting.
    HRESULT Stop();
    // Closes the open item and the device.
    HRESULT Close();
    // Releases the reader and everything the engine holds; returns 0.
    HRESULT ReleaseAll();

    // While set, the waits of Open, Stop and Close end at once; setting it also gives up the
    // network reads of the open stream, so the item is to be stopped and closed next.
    CAudioPlay* SetAbort(BOOL abort);
    // Volume: low word left channel, high word right channel, 0 to 0xFFFF each. Both return 1.
    HRESULT SetVolume(DWORD volume);
    HRESULT GetVolume(DWORD* volume);

    WmReader::QWORD GetDuration() const { return m_duration; }
    BOOL IsSeekable() const { return m_seekable; }
    BOOL IsBroadcast() const { return m_broadcast; }
    // While set, no progress is reported.
    void SuspendProgress(BOOL suspend) { m_progressSuspended = suspend; }

    // Waits for event in 10 ms steps, dispatching one waiting message of the calling thread per
    // step: S_OK when the event came, S_FALSE when the abort flag was seen, HRESULT_FROM_WIN32
    // (ERROR_TIMEOUT) after timeoutMs (INFINITE: no limit).
    HRESULT WaitForEvent(HANDLE event, DWORD timeoutMs);

    // Sends the progress messages for a position and a duration (100-ns units).
    void ReportProgress(WmReader::QWORD position, WmReader::QWORD duration);
    // "m:ss / m:ss" style text of a position and a duration (100-ns units); the hours part only
    // when it is not 0, e.g. "1:02:05 / 2:00:00", "00:03 / 00:10".
    static std::wstring FormatProgressText(WmReader::QWORD position, WmReader::QWORD duration);

private:
    class ReaderCall {  // scope of a reader call that may wait for the reader's threads
    public:
        explicit ReaderCall(CAudioPlay& engine);
        ~ReaderCall();
        ReaderCall(const ReaderCall&) = delete;
        ReaderCall& operator=(const ReaderCall&) = delete;

    private:
        CAudioPlay& m_engine;
    };

    HRESULT OpenHttpStream(const wchar_t* url, bool* aborted);
    HRESULT WaitForReaderStatus();
    HRESULT ReadAttributes();
    HRESULT ReadAttribute(const wchar_t* name, WmReader::WMT_ATTR_DATATYPE* type, std::string* value,
                          bool* present);
    HRESULT ChooseAudioOutput();
    HRESULT OpenDevice();
    HRESULT CloseDevice();
    void CancelStream();
    void ReleaseStream();
    void HoldDelivery(bool hold);
    void WaitWhileDeliveryHeld();
    void EndOfPlayback(bool endOfItem);
    void PostFinalStateWhenDrained();
    void PostState(AudioPlayState state);
    void OnBlockDone(WAVEHDR* block);

    static void CALLBACK WaveOutProc(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                     DWORD_PTR param2);
    static DWORD WINAPI WaveOutThreadProc(void* parameter);
    void RunWaveOutThread();

    BOOL m_seekable;
    BOOL m_broadcast;
    volatile LONG m_endFlag;          // end of item, reader error or device failure seen
    volatile LONG m_finalStatePosted; // the state after the end has been posted once
    DWORD m_waveOutThreadId;
    CScopedHandle m_waveOutThreadReady;
    LONG m_audioOutput;
    CScopedHandle m_event;
    volatile HRESULT m_asyncResult;
    HWAVEOUT m_waveOut;
    CSectionLock m_deviceLock;        // guards m_waveOut against the sample and wave-out threads
    CComPointer<WmReader::IWMReader> m_reader;
    CComPointer<WmReader::IWMHeaderInfo> m_headerInfo;
    CAudioHttpStream* m_stream;       // the http stream of the open item, when the runtime needed one
    CSectionLock m_streamLock;        // guards m_stream against SetAbort from another thread
    volatile LONG m_refCount;
    volatile LONG m_buffersInFlight;
    volatile LONG m_readerCalls;      // callers inside a reader call (ReaderCall)
    volatile LONG m_progressSends;    // progress reports being sent
    std::wstring m_url;
    WmReader::QWORD m_duration;
    std::vector<BYTE> m_waveFormat;   // the chosen output's WAVEFORMATEX (and its extra bytes); empty: none
    volatile BOOL m_progressSuspended;
    volatile BOOL m_abort;
    HWND m_notifyWindow;
    CScopedHandle m_deliveryAllowed;  // manual-reset; cleared while a pause holds the samples back
    volatile BOOL m_deliveryHeld;
    volatile BOOL m_devicePaused;
    bool m_comInitialized;
    DWORD m_comThreadId;
};
