// The audio engine: plays one item at a time, a local file or an http:// stream URL, through the
// Windows Media Format asynchronous reader (which decodes) and the wave-out device (which plays
// the PCM). It reports to one notify window: WM_PLAYER_STATE is posted with the AudioPlayState,
// WM_PLAYER_PROGRESS is sent twice each time the device has played a block (the position in
// milliseconds, then the time text).
//
// The device must never run dry between two blocks (Wine's wave-out stops the stream and starts
// it again with a silent lead-in), so the engine keeps about kLeadMs of decoded sound queued ahead
// of what is heard. Where the reader takes a clock from its user, the engine is that clock: it
// lets the reader deliver up to the played position plus the lead, so that a paused device holds
// the reader too and a new start position sounds at once. A reader that keeps its own time (and
// can pause itself) is followed as it comes. Either way the device plays each start (of an item or
// of a new position) only once kStartLeadMs of it is queued: the device's own buffers first take
// what comes, and a reader that hands each sample over when it is due would leave it dry.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <deque>
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

class CAudioPlay : public WmReader::IWMReaderCallback, public WmReader::IWMReaderCallbackAdvanced {
public:
    static const DWORD kLeadMs = 500;       // decoded sound kept queued ahead of the device
    static const DWORD kStartLeadMs = 250;  // sound queued before the device plays a start

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
    // IWMReaderCallbackAdvanced: only the clock's report is of use; samples come to OnSample.
    HRESULT STDMETHODCALLTYPE OnStreamSample(WORD, WmReader::QWORD, WmReader::QWORD, DWORD, WmReader::INSSBuffer*,
                                             void*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnTime(WmReader::QWORD, void*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStreamSelection(WORD, WORD*, WmReader::WMT_STREAM_SELECTION*, void*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnOutputPropsChanged(DWORD, WmReader::WM_MEDIA_TYPE*, void*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AllocateForStream(WORD, DWORD, WmReader::INSSBuffer**, void*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AllocateForOutput(DWORD, DWORD, WmReader::INSSBuffer**, void*) override {
        return E_NOTIMPL;
    }

    // Initialises COM on the calling thread and creates the event and the reader (or takes the
    // given one, which the engine then holds a reference to).
    HRESULT Init(WmReader::IWMReader* reader = nullptr);
    void SetNotifyWindow(HWND window) { m_notifyWindow = window; }

    // Opens a file path or an http:// URL and waits (dispatching the thread's messages) until
    // the reader has opened it. 1 when aborted meanwhile (the item is then closed).
    HRESULT Open(const wchar_t* url);
    // Plays from startTime (100-ns units) to the end of the item; what was queued of an earlier
    // position is dropped.
    HRESULT Start(WmReader::QWORD startTime);
    HRESULT Pause();
    HRESULT Resume();
    // Stops the reader and returns every queued block; 1 when aborted while waiting.
    HRESULT Stop();
    // Closes the open item and the device; Start fails (E_UNEXPECTED) and IsSeekable is false
    // until the next Open.
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

    // A block written to the device: its run (see m_run) and the item times it holds.
    struct QueuedBlock {
        WAVEHDR* block;
        LONG run;
        WmReader::QWORD start;
        WmReader::QWORD end;
    };

    HRESULT OpenHttpStream(const wchar_t* url, bool* aborted);
    HRESULT WaitForReaderStatus();
    HRESULT ReadAttributes();
    HRESULT ReadAttribute(const wchar_t* name, WmReader::WMT_ATTR_DATATYPE* type, std::string* value,
                          bool* present);
    HRESULT ChooseAudioOutput();
    HRESULT OpenDevice();
    HRESULT CloseDevice();
    void ForgetItem();
    void CancelStream();
    void ReleaseStream();
    void HoldDelivery(bool hold);
    void WaitWhileDeliveryHeld();
    void EndOfPlayback(bool endOfItem);
    void PostFinalStateWhenDrained();
    void PostState(AudioPlayState state);
    void OnBlockDone(WAVEHDR* block);
    LONG BeginRun(WmReader::QWORD startTime);
    bool IsCurrentRun(void* context) const;
    WmReader::QWORD BlockEnd(WmReader::QWORD start, DWORD length, WmReader::QWORD sampleDuration) const;
    bool QueueBlock(WAVEHDR* block, void* context, WmReader::QWORD start, WmReader::QWORD end);
    void ForgetBlock(WAVEHDR* block);
    void DiscardBlock(WAVEHDR* block);
    MMRESULT WriteBlock(WAVEHDR* block);
    MMRESULT ReleaseHeldBlocks();
    void DropHeldBlocks();
    void PlayHeldBlocks();
    void AdvanceReaderClock(bool again);

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
    CSectionLock m_deviceLock;        // guards m_waveOut against the sample and wave-out threads, and
                                      // the held blocks that follow
    BOOL m_holdingRun;                // the run's first blocks wait for the start's lead
    std::vector<WAVEHDR*> m_heldBlocks;
    WmReader::QWORD m_heldTicks;      // the held blocks' sound
    CComPointer<WmReader::IWMReader> m_reader;
    CComPointer<WmReader::IWMReaderAdvanced> m_readerAdvanced;  // the reader's clock; guarded by m_clockLock
    volatile BOOL m_userClock;        // the reader takes its time from DeliverTime
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

    // Every start, stop and close begins a new run; the reader hands the run of its start back
    // with each sample, and what an earlier run delivered or queued counts no more.
    CSectionLock m_blockLock;         // guards what follows up to m_runBlocks (innermost lock)
    volatile LONG m_run;
    std::deque<QueuedBlock> m_queued; // blocks in the device, oldest first
    WmReader::QWORD m_runStart;       // where the run started
    WmReader::QWORD m_playedEnd;      // the end of the last block of the run that was played
    WmReader::QWORD m_queuedEnd;      // the end of the newest block of the run
    LONG m_runBlocks;                 // blocks of the run in the device
    CSectionLock m_clockLock;         // orders the calls of the reader's clock (taken before m_blockLock)
    LONG m_clockRun;                  // the run and time last given to the reader's clock
    WmReader::QWORD m_clockTime;
};
