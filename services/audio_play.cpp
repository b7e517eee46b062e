#include "audio_play.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "audio_http_stream.h"

using WmReader::QWORD;

namespace {

const QWORD kTicksPerSecond = 10000000;  // 100-ns units
const QWORD kTicksPerMillisecond = 10000;
// Beyond the lead, the reader may always deliver the block after the newest one while fewer
// than two are queued (its time may lie a little past the newest block's end).
const QWORD kNextBlockSlack = 50 * kTicksPerMillisecond;
// Thread message of the wave-out thread: give the reader's clock the time it may run to now
// (wParam 1: even when that time was given before).
const UINT kAdvanceClockMessage = WM_APP + 1;

// Handles the messages sent to this thread's windows for a moment.
void HandleSentMessages() {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
}

bool IsHttpUrl(const wchar_t* url) { return _wcsnicmp(url, L"http://", 7) == 0; }

void AppendTwoDigits(std::wstring& out, unsigned value) {
    out += static_cast<wchar_t>(L'0' + value / 10 % 10);
    out += static_cast<wchar_t>(L'0' + value % 10);
}

// "[h:]mm:ss" of a time in 100-ns units.
void AppendTime(std::wstring& out, QWORD time) {
    QWORD seconds = time / kTicksPerSecond;
    QWORD hours = seconds / 3600;
    if (hours != 0) {
        out += std::to_wstring(hours);
        out += L':';
    }
    AppendTwoDigits(out, static_cast<unsigned>(seconds % 3600 / 60));
    out += L':';
    AppendTwoDigits(out, static_cast<unsigned>(seconds % 60));
}

}  // namespace

CAudioPlay::CAudioPlay()
    : m_seekable(FALSE),
      m_broadcast(FALSE),
      m_endFlag(0),
      m_finalStatePosted(0),
      m_waveOutThreadId(0),
      m_audioOutput(-1),
      m_asyncResult(S_OK),
      m_waveOut(nullptr),
      m_holdingRun(FALSE),
      m_heldTicks(0),
      m_userClock(FALSE),
      m_stream(nullptr),
      m_refCount(1),
      m_buffersInFlight(0),
      m_readerCalls(0),
      m_progressSends(0),
      m_duration(0),
      m_progressSuspended(FALSE),
      m_abort(FALSE),
      m_notifyWindow(nullptr),
      m_deliveryHeld(FALSE),
      m_devicePaused(FALSE),
      m_comInitialized(false),
      m_comThreadId(0),
      m_run(0),
      m_runStart(0),
      m_playedEnd(0),
      m_queuedEnd(0),
      m_runBlocks(0),
      m_clockRun(0),
      m_clockTime(0) {}

CAudioPlay::~CAudioPlay() {
    ReleaseAll();
    // COM was initialised for the thread that called Init; it can only be ended there.
    if (m_comInitialized && m_comThreadId == GetCurrentThreadId()) CoUninitialize();
}

// IUnknown ------------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE CAudioPlay::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, WmReader::IID_IWMReaderCallback) || IsEqualIID(iid, IID_IUnknown)) {
        *object = static_cast<WmReader::IWMReaderCallback*>(this);
        AddRef();
        return S_OK;
    }
    if (IsEqualIID(iid, WmReader::IID_IWMReaderCallbackAdvanced)) {
        *object = static_cast<WmReader::IWMReaderCallbackAdvanced*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CAudioPlay::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }

ULONG STDMETHODCALLTYPE CAudioPlay::Release() {
    LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

// Set-up and tear-down ------------------------------------------------------------------------

HRESULT CAudioPlay::Init(WmReader::IWMReader* reader) {
    if (m_reader) return S_OK;
    if (!m_comInitialized) {
        HRESULT hr = CoInitialize(nullptr);
        if (SUCCEEDED(hr)) {
            m_comInitialized = true;
            m_comThreadId = GetCurrentThreadId();
        } else if (hr != RPC_E_CHANGED_MODE) {  // a thread already in another apartment will do
            return hr;
        }
    }
    m_event.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_deliveryAllowed.IsValid()) m_deliveryAllowed.Reset(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (!m_waveOutThreadReady.IsValid()) m_waveOutThreadReady.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!m_event.IsValid() || !m_deliveryAllowed.IsValid() || !m_waveOutThreadReady.IsValid()) {
        m_event.Close();
        return E_FAIL;
    }
    HRESULT hr = S_OK;
    if (reader) {
        m_reader = CComPointer<WmReader::IWMReader>::Share(reader);
    } else {
        WmReader::WMCreateReaderFn create = WmReader::LoadWmCreateReader();
        hr = create ? create(nullptr, WmReader::WMT_RIGHT_PLAYBACK, m_reader.Receive())
                    : HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    }
    if (FAILED(hr) || !m_reader) {
        m_reader.Detach();  // a failed creation hands out no reference
        m_event.Close();
        return FAILED(hr) ? hr : E_FAIL;
    }
    CSectionGuard clock(m_clockLock);
    m_reader->QueryInterface(WmReader::IID_IWMReaderAdvanced, m_readerAdvanced.ReceiveVoid());
    return S_OK;
}

HRESULT CAudioPlay::ReleaseAll() {
    HoldDelivery(false);
    CancelStream();
    m_headerInfo.Reset();
    {
        CSectionGuard clock(m_clockLock);
        m_readerAdvanced.Reset();
    }
    if (m_reader) {
        ReaderCall call(*this);
        m_reader.Reset();
    }
    CloseDevice();
    ReleaseStream();
    m_event.Close();
    m_url.clear();
    m_waveFormat.clear();
    m_audioOutput = -1;
    return S_OK;
}

CAudioPlay* CAudioPlay::SetAbort(BOOL abort) {
    m_abort = abort;
    // A read of the item's stream that waits for the network would hold up the reader's stop
    // and close that follow.
    if (abort) CancelStream();
    return this;
}

// A call into the reader that may wait for the reader's own threads. Such a thread may be
// sending progress to a window of the calling thread, which cannot answer while it waits in
// the reader: so no new progress is sent meanwhile, and one already on its way is handled first.
CAudioPlay::ReaderCall::ReaderCall(CAudioPlay& engine) : m_engine(engine) {
    InterlockedIncrement(&m_engine.m_readerCalls);
    while (InterlockedCompareExchange(&m_engine.m_progressSends, 0, 0) != 0) HandleSentMessages();
}

CAudioPlay::ReaderCall::~ReaderCall() { InterlockedDecrement(&m_engine.m_readerCalls); }

// Waiting ---------------------------------------------------------------------------------------

HRESULT CAudioPlay::WaitForEvent(HANDLE event, DWORD timeoutMs) {
    const DWORD kStepMs = 10;
    for (DWORD waited = 0;; waited += kStepMs) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (m_abort) return S_FALSE;
        // Wakes early when a message arrives, so that messages sent to this thread's windows
        // by the reader are handled at once.
        DWORD result = MsgWaitForMultipleObjectsEx(1, &event, kStepMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) return S_OK;
        if (result == WAIT_FAILED) Sleep(kStepMs);
        if (m_abort) return S_FALSE;
        if (timeoutMs != INFINITE && waited >= timeoutMs) return HRESULT_FROM_WIN32(ERROR_TIMEOUT);
    }
}

HRESULT CAudioPlay::WaitForReaderStatus() { return WaitForEvent(m_event.Get(), INFINITE); }

// Open and close ------------------------------------------------------------------------------

HRESULT CAudioPlay::Open(const wchar_t* url) {
    if (!url) return E_INVALIDARG;
    if (!m_reader) return E_UNEXPECTED;

    ResetEvent(m_event.Get());
    Close();
    {
        CSectionGuard lock(m_deviceLock);
        BeginRun(0);
    }
    m_url = url;
    m_duration = 0;
    InterlockedExchange(&m_endFlag, 0);
    InterlockedExchange(&m_finalStatePosted, 0);

    ResetEvent(m_event.Get());
    HRESULT hr = m_reader->Open(m_url.c_str(), this, nullptr);
    bool abortedWhileConnecting = false;
    if (FAILED(hr) && IsHttpUrl(m_url.c_str())) {
        // The runtime cannot fetch this URL itself: feed it from our own HTTP client.
        hr = OpenHttpStream(m_url.c_str(), &abortedWhileConnecting);
    }
    if (FAILED(hr)) {
        Close();
        return hr;
    }
    if (!abortedWhileConnecting) WaitForReaderStatus();
    if (m_abort) {
        Close();
        m_abort = FALSE;
        SetEvent(m_event.Get());
        return 1;
    }

    hr = m_asyncResult;
    if (SUCCEEDED(hr)) {
        hr = m_reader->QueryInterface(WmReader::IID_IWMHeaderInfo, m_headerInfo.ReceiveVoid());
    }
    if (SUCCEEDED(hr)) hr = ReadAttributes();
    if (SUCCEEDED(hr)) hr = ChooseAudioOutput();
    if (FAILED(hr)) {
        Close();
        return hr;
    }
    return S_OK;
}

// Connects, then hands the stream to the reader; *aborted when the abort flag ended the wait
// for the connection (the reader was then not asked).
HRESULT CAudioPlay::OpenHttpStream(const wchar_t* url, bool* aborted) {
    ReleaseStream();
    CAudioHttpStream* stream = CAudioHttpStream::Create(url);
    if (!stream) return E_INVALIDARG;
    {
        CSectionGuard lock(m_streamLock);
        m_stream = stream;
    }
    // This thread's own reference keeps the stream alive while it uses it.
    CComPointer<CAudioHttpStream> localReference = CComPointer<CAudioHttpStream>::Share(stream);
    WaitForEvent(stream->ReadyEvent(), INFINITE);
    if (m_abort) {
        *aborted = true;
        return S_OK;
    }
    HRESULT hr = stream->OpenResult();
    if (FAILED(hr)) {
        ReleaseStream();
        return hr;
    }
    CComPointer<WmReader::IWMReaderAdvanced2> advanced;
    hr = m_reader->QueryInterface(WmReader::IID_IWMReaderAdvanced2, advanced.ReceiveVoid());
    if (FAILED(hr)) return hr;
    ResetEvent(m_event.Get());
    return advanced->OpenStream(stream, this, nullptr);
}

HRESULT CAudioPlay::Close() {
    if (!m_reader) return E_UNEXPECTED;
    HoldDelivery(false);
    // A read of the stream that waits for the network must end before the reader can close.
    CancelStream();
    ResetEvent(m_event.Get());
    HRESULT hr;
    {
        ReaderCall call(*this);
        hr = m_reader->Close();
    }
    if (SUCCEEDED(hr)) WaitForReaderStatus();
    // The device belongs to the item: it is closed even when the reader had nothing open, so
    // that the next item opens it again with its own format.
    HRESULT deviceResult = CloseDevice();
    ReleaseStream();
    ForgetItem();
    return FAILED(hr) ? hr : deviceResult;
}

// Nothing is open any more: a seek or a start finds nothing to play (and opens no device) until
// the next Open.
void CAudioPlay::ForgetItem() {
    m_seekable = FALSE;
    m_broadcast = FALSE;
    m_audioOutput = -1;
    m_waveFormat.clear();
}

void CAudioPlay::CancelStream() {
    CSectionGuard lock(m_streamLock);
    if (m_stream) m_stream->Cancel();
}

void CAudioPlay::ReleaseStream() {
    CAudioHttpStream* stream = nullptr;
    {
        CSectionGuard lock(m_streamLock);
        stream = m_stream;
        m_stream = nullptr;
    }
    if (stream) {
        stream->Cancel();
        stream->Release();
    }
}

// Attributes and output -------------------------------------------------------------------------

HRESULT CAudioPlay::ReadAttribute(const wchar_t* name, WmReader::WMT_ATTR_DATATYPE* type, std::string* value,
                                  bool* present) {
    *present = false;
    value->clear();
    WORD stream = 0;
    WORD length = 0;
    HRESULT hr = m_headerInfo->GetAttributeByName(&stream, name, type, nullptr, &length);
    if (hr == WmReader::ASF_E_NOTFOUND) return S_OK;
    if (FAILED(hr)) return hr;
    if (length != 0) {
        value->resize(length);
        stream = 0;
        hr = m_headerInfo->GetAttributeByName(&stream, name, type, reinterpret_cast<BYTE*>(&(*value)[0]), &length);
        if (hr == WmReader::ASF_E_NOTFOUND) {
            value->clear();
            return S_OK;
        }
        if (FAILED(hr)) return hr;
        if (length < value->size()) value->resize(length);
    }
    *present = true;
    return S_OK;
}

HRESULT CAudioPlay::ReadAttributes() {
    WmReader::WMT_ATTR_DATATYPE type = WmReader::WMT_TYPE_DWORD;
    std::string value;
    bool present = false;
    // The descriptive attributes are looked at but not kept: they cannot fail the open.
    for (const wchar_t* name : {L"Title", L"Author", L"Copyright"}) ReadAttribute(name, &type, &value, &present);

    HRESULT hr = ReadAttribute(L"Duration", &type, &value, &present);
    if (FAILED(hr)) return hr;
    m_duration = 0;
    if (present && type == WmReader::WMT_TYPE_QWORD && value.size() >= sizeof(QWORD))
        memcpy(&m_duration, value.data(), sizeof(QWORD));
    ReportProgress(0, m_duration);

    BOOL* flags[] = {&m_seekable, &m_broadcast};
    const wchar_t* names[] = {L"Seekable", L"Broadcast"};
    for (int i = 0; i < 2; ++i) {
        hr = ReadAttribute(names[i], &type, &value, &present);
        if (FAILED(hr)) return hr;
        BOOL flag = FALSE;
        if (present && value.size() >= sizeof(BOOL)) memcpy(&flag, value.data(), sizeof(BOOL));
        *flags[i] = flag ? TRUE : FALSE;
    }
    return S_OK;
}

HRESULT CAudioPlay::ChooseAudioOutput() {
    DWORD outputs = 0;
    HRESULT hr = m_reader->GetOutputCount(&outputs);
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < outputs; ++i) {
        CComPointer<WmReader::IWMOutputMediaProps> props;
        hr = m_reader->GetOutputProps(i, props.Receive());
        if (FAILED(hr)) return hr;
        DWORD size = 0;
        hr = props->GetMediaType(nullptr, &size);
        if (SUCCEEDED(hr) && size < sizeof(WmReader::WM_MEDIA_TYPE)) hr = E_UNEXPECTED;
        std::unique_ptr<QWORD[]> storage;
        WmReader::WM_MEDIA_TYPE* type = nullptr;
        if (SUCCEEDED(hr)) {
            storage.reset(new QWORD[(size + sizeof(QWORD) - 1) / sizeof(QWORD)]());
            type = reinterpret_cast<WmReader::WM_MEDIA_TYPE*>(storage.get());
            hr = props->GetMediaType(type, &size);
        }
        if (FAILED(hr)) return hr;
        if (!IsEqualGUID(type->majortype, WmReader::WMMEDIATYPE_Audio)) continue;
        if (!type->pbFormat || type->cbFormat < sizeof(WAVEFORMAT)) return E_UNEXPECTED;
        // The device is opened with a WAVEFORMATEX: a shorter format gets zeros for the rest.
        m_waveFormat.assign(std::max<size_t>(type->cbFormat, sizeof(WAVEFORMATEX)), 0);
        memcpy(m_waveFormat.data(), type->pbFormat, type->cbFormat);
        m_audioOutput = static_cast<LONG>(i);
        return S_OK;
    }
    return E_UNEXPECTED;
}

// Playback control ------------------------------------------------------------------------------

HRESULT CAudioPlay::Start(QWORD startTime) {
    if (!m_reader) return E_UNEXPECTED;
    if (m_waveFormat.empty()) return E_UNEXPECTED;  // nothing open
    // Blocks of the previous run that the reset below returns do not end this run.
    InterlockedExchange(&m_finalStatePosted, 1);
    InterlockedExchange(&m_endFlag, 0);
    HoldDelivery(false);
    LONG run = 0;
    if (!m_waveOut) {
        {
            CSectionGuard lock(m_deviceLock);
            run = BeginRun(startTime);
        }
        if (FAILED(OpenDevice())) return E_FAIL;
    } else {
        CSectionGuard lock(m_deviceLock);
        run = BeginRun(startTime);  // nothing of the earlier position goes into the device from now on
        if (waveOutReset(m_waveOut) != MMSYSERR_NOERROR) return E_FAIL;
    }
    {
        // A start plays: a device paused before goes on with the new position once its first
        // blocks are there (ReleaseHeldBlocks restarts it).
        CSectionGuard lock(m_deviceLock);
        m_devicePaused = FALSE;
    }
    {
        // The clock goes to the new position before the reader starts there: a clock left far
        // behind would hold the first samples back, one far ahead would let them all through.
        CSectionGuard clock(m_clockLock);
        m_userClock = m_readerAdvanced && SUCCEEDED(m_readerAdvanced->SetUserProvidedClock(TRUE));
    }
    AdvanceReaderClock(true);
    ReaderCall call(*this);
    return m_reader->Start(startTime, 0, 1.0f, reinterpret_cast<void*>(static_cast<INT_PTR>(run)));
}

HRESULT CAudioPlay::Stop() {
    if (!m_reader) return E_UNEXPECTED;
    {
        CSectionGuard lock(m_deviceLock);
        BeginRun(0);  // samples still on their way are not played
    }
    HoldDelivery(false);
    ResetEvent(m_event.Get());
    HRESULT hr;
    {
        ReaderCall call(*this);
        hr = m_reader->Stop();
    }
    if (FAILED(hr)) return hr;
    if (m_waveOut) {
        // A stopped item has not finished: the blocks returned now end nothing.
        InterlockedExchange(&m_finalStatePosted, 1);
        InterlockedExchange(&m_endFlag, 0);
        {
            CSectionGuard lock(m_deviceLock);
            if (!m_waveOut || waveOutReset(m_waveOut) != MMSYSERR_NOERROR) return E_FAIL;
        }
        WaitForReaderStatus();
        if (m_abort) {
            m_abort = FALSE;
            SetEvent(m_event.Get());
            return 1;
        }
    }
    return S_OK;
}

HRESULT CAudioPlay::Pause() {
    if (!m_reader) return E_UNEXPECTED;
    if (m_waveOut) {
        CSectionGuard lock(m_deviceLock);
        if (!m_waveOut || waveOutPause(m_waveOut) != MMSYSERR_NOERROR) return E_FAIL;
        m_devicePaused = TRUE;
    }
    HRESULT hr = m_reader->Pause();
    if (hr == E_NOTIMPL) {
        // The runtime cannot pause. On the engine's clock it stops by itself once the lead is
        // queued, since the paused device plays nothing; on its own clock its samples are held
        // back until Resume so that nothing queues up in the paused device.
        if (!m_userClock) HoldDelivery(true);
        hr = S_OK;
    }
    return hr;
}

HRESULT CAudioPlay::Resume() {
    if (!m_reader) return E_UNEXPECTED;
    if (m_waveOut) {
        CSectionGuard lock(m_deviceLock);
        if (!m_waveOut) return E_FAIL;
        m_devicePaused = FALSE;
        if (m_holdingRun) {
            // Paused before the start's lead went to the device: it plays once the lead is
            // there (ReleaseHeldBlocks restarts it), at once when the run has ended already.
            const bool ready = m_heldTicks >= kStartLeadMs * kTicksPerMillisecond ||
                               InterlockedCompareExchange(&m_endFlag, 0, 0) != 0;
            if (ready && ReleaseHeldBlocks() != MMSYSERR_NOERROR) return E_FAIL;
        } else if (waveOutRestart(m_waveOut) != MMSYSERR_NOERROR) {
            return E_FAIL;
        }
    }
    HRESULT hr = m_reader->Resume();
    if (hr == E_NOTIMPL || m_deliveryHeld) {
        HoldDelivery(false);
        if (hr == E_NOTIMPL) hr = S_OK;
    }
    return hr;
}

void CAudioPlay::HoldDelivery(bool hold) {
    m_deliveryHeld = hold ? TRUE : FALSE;
    if (!m_deliveryAllowed.IsValid()) return;
    if (hold)
        ResetEvent(m_deliveryAllowed.Get());
    else
        SetEvent(m_deliveryAllowed.Get());
}

void CAudioPlay::WaitWhileDeliveryHeld() {
    while (m_deliveryHeld && !m_abort && m_deliveryAllowed.IsValid()) WaitForSingleObject(m_deliveryAllowed.Get(), 50);
}

HRESULT CAudioPlay::SetVolume(DWORD volume) {
    waveOutSetVolume(m_waveOut, volume);
    return 1;
}

HRESULT CAudioPlay::GetVolume(DWORD* volume) {
    if (volume) {
        DWORD value = 0;
        if (waveOutGetVolume(m_waveOut, &value) == MMSYSERR_NOERROR) *volume = value;
    }
    return 1;
}

// Reader callbacks ------------------------------------------------------------------------------

HRESULT STDMETHODCALLTYPE CAudioPlay::OnStatus(WmReader::WMT_STATUS status, HRESULT result,
                                               WmReader::WMT_ATTR_DATATYPE, BYTE*, void* context) {
    // The start and the end of a run that a newer start or a stop replaced tell nothing.
    if ((status == WmReader::WMT_STARTED || status == WmReader::WMT_EOF) && !IsCurrentRun(context)) return S_OK;
    switch (status) {
    case WmReader::WMT_ERROR:
    case WmReader::WMT_MISSING_CODEC:
        PlayHeldBlocks();
        EndOfPlayback(false);
        break;
    case WmReader::WMT_EOF:
        PlayHeldBlocks();  // an item shorter than the start's lead
        EndOfPlayback(true);
        break;
    case WmReader::WMT_OPENED:
    case WmReader::WMT_CLOSED:
        m_asyncResult = result;
        if (m_event.IsValid()) SetEvent(m_event.Get());
        break;
    case WmReader::WMT_BUFFERING_START:
        PostState(kAudioBuffering);
        break;
    case WmReader::WMT_BUFFERING_STOP:
        PostState(kAudioPlaying);
        break;
    case WmReader::WMT_STARTED:
        InterlockedExchange(&m_endFlag, 0);
        InterlockedExchange(&m_finalStatePosted, 0);
        // A reader that restarts its clock with each start gets the engine's time again.
        if (m_waveOutThreadId) PostThreadMessageW(m_waveOutThreadId, kAdvanceClockMessage, 1, 0);
        PostState(kAudioPlaying);
        break;
    case WmReader::WMT_STOPPED:
        m_asyncResult = result;
        if (m_event.IsValid()) SetEvent(m_event.Get());
        PostState(kAudioStopped);
        break;
    default:
        break;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CAudioPlay::OnSample(DWORD outputNum, QWORD sampleTime, QWORD sampleDuration, DWORD,
                                               WmReader::INSSBuffer* sample, void* context) {
    if (static_cast<LONG>(outputNum) != m_audioOutput || !sample) return S_OK;
    if (!IsCurrentRun(context)) return S_OK;  // of a position given up
    WaitWhileDeliveryHeld();
    BYTE* data = nullptr;
    DWORD length = 0;
    HRESULT hr = sample->GetBufferAndLength(&data, &length);
    if (FAILED(hr)) return hr;

    // One allocation: the header, then the sample's bytes.
    WAVEHDR* block = static_cast<WAVEHDR*>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, sizeof(WAVEHDR) + length));
    if (!block) {
        DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_OUTOFMEMORY;
    }
    block->lpData = reinterpret_cast<LPSTR>(block + 1);
    block->dwBufferLength = length;
    block->dwBytesRecorded = length;
    block->dwUser = static_cast<DWORD_PTR>(static_cast<DWORD>(sampleTime & 0xFFFFFFFFu));
    if (length) memcpy(block->lpData, data, length);

    const QWORD blockEnd = BlockEnd(sampleTime, length, sampleDuration);
    MMRESULT result = MMSYSERR_NOERROR;
    bool queued = false;
    bool wantsMore = false;
    {
        CSectionGuard lock(m_deviceLock);
        if (m_waveOut && QueueBlock(block, context, sampleTime, blockEnd)) {
            queued = true;
            // Counted before the write: the device may return the block at once.
            InterlockedIncrement(&m_buffersInFlight);
            if (m_holdingRun) {
                m_heldBlocks.push_back(block);
                m_heldTicks += blockEnd - sampleTime;
                if (m_heldTicks >= kStartLeadMs * kTicksPerMillisecond && !m_devicePaused) result = ReleaseHeldBlocks();
            } else {
                result = WriteBlock(block);
            }
            CSectionGuard blocks(m_blockLock);
            wantsMore = m_runBlocks < 2;
        }
    }
    if (!queued) {
        // The run ended while the sample was on its way (or the device is closed).
        LocalFree(block);
        return S_OK;
    }
    if (result != MMSYSERR_NOERROR) {
        // Stopping the reader from its own callback thread would wait for this very thread:
        // the playback ends here and the owner stops the engine when it sees the state.
        EndOfPlayback(false);
        return S_OK;
    }
    // Too little queued for the device to go on without a break: the reader may deliver the
    // next block at once, whatever the lead says.
    if (wantsMore && m_userClock && m_waveOutThreadId)
        PostThreadMessageW(m_waveOutThreadId, kAdvanceClockMessage, 0, 0);
    return S_OK;
}

// Runs and the reader's clock -------------------------------------------------------------------

// Called with m_deviceLock held, so that no sample of the earlier run gets written after the
// device let go of that run's blocks. The new run's first blocks are held back until the start's
// lead is there (ReleaseHeldBlocks).
LONG CAudioPlay::BeginRun(QWORD startTime) {
    DropHeldBlocks();
    m_holdingRun = TRUE;
    CSectionGuard blocks(m_blockLock);
    LONG run = m_run + 1;
    if (run <= 0) run = 1;  // a run is never 0: a null context is no run
    m_run = run;
    m_runStart = startTime;
    m_playedEnd = startTime;
    m_queuedEnd = startTime;
    m_runBlocks = 0;
    return run;
}

// A sample or status of the current run. A reader that hands no context back (null) is taken
// at its word.
bool CAudioPlay::IsCurrentRun(void* context) const {
    return context == nullptr || reinterpret_cast<INT_PTR>(context) == static_cast<INT_PTR>(m_run);
}

// The item time at the end of a block: its start plus its bytes at the output's byte rate (the
// sample's own duration when the format tells no rate).
QWORD CAudioPlay::BlockEnd(QWORD start, DWORD length, QWORD sampleDuration) const {
    const WAVEFORMATEX* format = reinterpret_cast<const WAVEFORMATEX*>(m_waveFormat.data());
    if (m_waveFormat.size() >= sizeof(WAVEFORMATEX) && format->nAvgBytesPerSec != 0)
        return start + static_cast<QWORD>(length) * kTicksPerSecond / format->nAvgBytesPerSec;
    return start + sampleDuration;
}

// Records a block of the sample's run before it is written; false when that run is over.
bool CAudioPlay::QueueBlock(WAVEHDR* block, void* context, QWORD start, QWORD end) {
    CSectionGuard blocks(m_blockLock);
    if (!IsCurrentRun(context)) return false;
    m_queued.push_back(QueuedBlock{block, m_run, start, end});
    ++m_runBlocks;
    if (end > m_queuedEnd) m_queuedEnd = end;
    return true;
}

// Forgets a block that came back from the device or never reached it.
void CAudioPlay::ForgetBlock(WAVEHDR* block) {
    CSectionGuard blocks(m_blockLock);
    for (auto it = m_queued.begin(); it != m_queued.end(); ++it) {
        if (it->block != block) continue;
        if (it->run == m_run) --m_runBlocks;
        m_queued.erase(it);
        return;
    }
}

// Frees a block counted in flight that never reached the device.
void CAudioPlay::DiscardBlock(WAVEHDR* block) {
    ForgetBlock(block);
    InterlockedDecrement(&m_buffersInFlight);
    LocalFree(block);
}

// Writes a block that is counted in flight (m_deviceLock held); a block that the device refuses
// is freed.
MMRESULT CAudioPlay::WriteBlock(WAVEHDR* block) {
    MMRESULT result = waveOutPrepareHeader(m_waveOut, block, sizeof(WAVEHDR));
    if (result == MMSYSERR_NOERROR) {
        result = waveOutWrite(m_waveOut, block, sizeof(WAVEHDR));
        if (result != MMSYSERR_NOERROR) waveOutUnprepareHeader(m_waveOut, block, sizeof(WAVEHDR));
    }
    if (result != MMSYSERR_NOERROR) DiscardBlock(block);
    return result;
}

// The blocks held back at the start of the run go to the device together, which then plays
// (m_deviceLock held). Wine's device, started with a single short block, plays a moment of
// silence when the next one is late; started with the lead at once, it never runs dry.
MMRESULT CAudioPlay::ReleaseHeldBlocks() {
    m_holdingRun = FALSE;
    std::vector<WAVEHDR*> held;
    held.swap(m_heldBlocks);
    m_heldTicks = 0;
    MMRESULT result = MMSYSERR_NOERROR;
    for (WAVEHDR* block : held) {
        if (result == MMSYSERR_NOERROR)
            result = WriteBlock(block);
        else
            DiscardBlock(block);
    }
    // Makes the device take every written block now (and play, where it waited for them).
    if (result == MMSYSERR_NOERROR && !held.empty() && !m_devicePaused) waveOutRestart(m_waveOut);
    return result;
}

// Blocks held back that never go to the device (m_deviceLock held).
void CAudioPlay::DropHeldBlocks() {
    for (WAVEHDR* block : m_heldBlocks) DiscardBlock(block);
    m_heldBlocks.clear();
    m_heldTicks = 0;
}

// The run ends before its lead is there: what it has is played (unless a pause holds it).
void CAudioPlay::PlayHeldBlocks() {
    CSectionGuard lock(m_deviceLock);
    if (m_waveOut && m_holdingRun && !m_devicePaused) ReleaseHeldBlocks();
}

// Lets the reader deliver up to the played position plus the lead (and the next block while
// fewer than two are queued). The time only grows within a run; `again` gives it once more.
void CAudioPlay::AdvanceReaderClock(bool again) {
    CSectionGuard clock(m_clockLock);
    if (!m_userClock || !m_readerAdvanced) return;
    LONG run = 0;
    QWORD time = 0;
    {
        CSectionGuard blocks(m_blockLock);
        run = m_run;
        time = std::max(m_playedEnd, m_runStart) + kLeadMs * kTicksPerMillisecond;
        if (m_runBlocks < 2) time = std::max(time, m_queuedEnd + kNextBlockSlack);
    }
    if (!again && run == m_clockRun && time <= m_clockTime) return;
    m_clockRun = run;
    m_clockTime = time;
    m_readerAdvanced->DeliverTime(time);
}

void CAudioPlay::EndOfPlayback(bool endOfItem) {
    InterlockedExchange(&m_endFlag, 1);
    if (InterlockedCompareExchange(&m_buffersInFlight, 0, 0) == 0 &&
        InterlockedExchange(&m_finalStatePosted, 1) == 0)
        PostState(endOfItem ? kAudioFinished : kAudioStopped);
}

void CAudioPlay::PostFinalStateWhenDrained() {
    if (InterlockedCompareExchange(&m_endFlag, 0, 0) != 0 &&
        InterlockedCompareExchange(&m_buffersInFlight, 0, 0) == 0 &&
        InterlockedExchange(&m_finalStatePosted, 1) == 0)
        PostState(kAudioFinished);
}

void CAudioPlay::PostState(AudioPlayState state) {
    HWND window = m_notifyWindow;
    if (window) PostMessageW(window, WM_PLAYER_STATE, static_cast<WPARAM>(state), static_cast<LPARAM>(state));
}

// Progress --------------------------------------------------------------------------------------

std::wstring CAudioPlay::FormatProgressText(QWORD position, QWORD duration) {
    std::wstring text;
    AppendTime(text, position);
    text += L" / ";
    AppendTime(text, duration);
    return text;
}

void CAudioPlay::ReportProgress(QWORD position, QWORD duration) {
    if (m_progressSuspended) return;
    HWND window = m_notifyWindow;
    if (!window || !IsWindow(window)) return;
    std::wstring text = FormatProgressText(position, duration);
    DWORD milliseconds = static_cast<DWORD>(position / kTicksPerMillisecond);
    InterlockedIncrement(&m_progressSends);
    if (InterlockedCompareExchange(&m_readerCalls, 0, 0) == 0) {
        SendMessageW(window, WM_PLAYER_PROGRESS, 0, static_cast<LPARAM>(milliseconds));
        SendMessageW(window, WM_PLAYER_PROGRESS, 1, reinterpret_cast<LPARAM>(text.c_str()));
    }
    InterlockedDecrement(&m_progressSends);
}

// Wave-out device and its thread ----------------------------------------------------------------

HRESULT CAudioPlay::OpenDevice() {
    // The thread that frees played blocks comes first, with its message queue, so that no
    // message of the device can be lost.
    AddRef();  // held by the thread until it ends
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaveOutThreadProc, this, 0, &threadId);
    if (!thread) {
        Release();
        return E_FAIL;
    }
    CloseHandle(thread);
    WaitForSingleObject(m_waveOutThreadReady.Get(), INFINITE);
    m_waveOutThreadId = threadId;

    HWAVEOUT device = nullptr;
    MMRESULT result =
        waveOutOpen(&device, WAVE_MAPPER, reinterpret_cast<const WAVEFORMATEX*>(m_waveFormat.data()),
                    reinterpret_cast<DWORD_PTR>(&WaveOutProc), reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (result != MMSYSERR_NOERROR) {
        PostThreadMessageW(threadId, WM_QUIT, 0, 0);
        return E_FAIL;
    }
    CSectionGuard lock(m_deviceLock);
    m_waveOut = device;
    m_devicePaused = FALSE;
    return S_OK;
}

HRESULT CAudioPlay::CloseDevice() {
    CSectionGuard lock(m_deviceLock);
    if (!m_waveOut) return S_OK;
    BeginRun(0);
    InterlockedExchange(&m_finalStatePosted, 1);
    InterlockedExchange(&m_endFlag, 0);
    MMRESULT reset = waveOutReset(m_waveOut);
    MMRESULT close = waveOutClose(m_waveOut);
    m_waveOutThreadId = 0;  // the device's close ended its thread
    m_waveOut = nullptr;
    m_devicePaused = FALSE;
    return reset == MMSYSERR_NOERROR && close == MMSYSERR_NOERROR ? S_OK : E_FAIL;
}

void CALLBACK CAudioPlay::WaveOutProc(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                      DWORD_PTR param2) {
    // Only forwards: no wave-out call may be made from the device's callback.
    CAudioPlay* engine = reinterpret_cast<CAudioPlay*>(instance);
    PostThreadMessageW(engine->m_waveOutThreadId, message, static_cast<WPARAM>(param1),
                       static_cast<LPARAM>(param2));
}

DWORD WINAPI CAudioPlay::WaveOutThreadProc(void* parameter) {
    CAudioPlay* engine = static_cast<CAudioPlay*>(parameter);
    engine->RunWaveOutThread();
    engine->Release();
    return 0;
}

void CAudioPlay::RunWaveOutThread() {
    MSG message;
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // creates the queue
    SetEvent(m_waveOutThreadReady.Get());
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WOM_CLOSE) break;
        if (message.message == WOM_DONE) OnBlockDone(reinterpret_cast<WAVEHDR*>(message.wParam));
        if (message.message == kAdvanceClockMessage) AdvanceReaderClock(message.wParam != 0);
    }
}

void CAudioPlay::OnBlockDone(WAVEHDR* block) {
    if (!block) return;
    MMRESULT result = MMSYSERR_NOERROR;
    {
        CSectionGuard lock(m_deviceLock);
        if (m_waveOut) result = waveOutUnprepareHeader(m_waveOut, block, sizeof(WAVEHDR));
    }
    LocalFree(block);
    // What is heard now: the start of the run's next block, the end of this one.
    bool played = false;
    bool report = false;
    QWORD position = 0;
    {
        CSectionGuard blocks(m_blockLock);
        for (auto it = m_queued.begin(); it != m_queued.end(); ++it) {
            if (it->block != block) continue;
            if (it->run == m_run) {
                played = true;
                --m_runBlocks;
                if (it->end > m_playedEnd) m_playedEnd = it->end;
                report = m_runBlocks > 0;
                position = it->end;
            }
            m_queued.erase(it);
            break;
        }
    }
    // The block is gone whatever the device said, so it is no longer in flight.
    InterlockedDecrement(&m_buffersInFlight);
    if (result == MMSYSERR_NOTSUPPORTED) {
        if (m_event.IsValid()) SetEvent(m_event.Get());
    } else if (result != MMSYSERR_NOERROR) {
        EndOfPlayback(false);
    }
    if (played) AdvanceReaderClock(false);
    if (report) ReportProgress(position, m_broadcast ? 0 : m_duration);
    PostFinalStateWhenDrained();
}
