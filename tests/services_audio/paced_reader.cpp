#include "paced_reader.h"

#include <mmsystem.h>

#include <cmath>
#include <cstring>
#include <cwchar>
#include <vector>

using WmReader::QWORD;

namespace {

const QWORD kTicksPerSecond = 10000000;
const QWORD kSampleTicks = 400000;  // 40 ms
const DWORD kRate = 44100;
const double kPi = 3.14159265358979323846;
const GUID kWaveFormatEx = {0x05589f81, 0xc356, 0x11ce, {0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};

// A sample's bytes.
class Buffer : public WmReader::INSSBuffer {
public:
    explicit Buffer(std::vector<BYTE> bytes) : m_bytes(std::move(bytes)) {}
    virtual ~Buffer() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, WmReader::IID_INSSBuffer)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG count = InterlockedDecrement(&m_refCount);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }
    HRESULT STDMETHODCALLTYPE GetLength(DWORD* length) override {
        *length = static_cast<DWORD>(m_bytes.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetLength(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* length) override { return GetLength(length); }
    HRESULT STDMETHODCALLTYPE GetBuffer(BYTE** buffer) override {
        *buffer = m_bytes.data();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE** buffer, DWORD* length) override {
        GetBuffer(buffer);
        return GetLength(length);
    }

private:
    volatile LONG m_refCount = 1;
    std::vector<BYTE> m_bytes;
};

// The one output: 16-bit stereo PCM at 44.1 kHz.
class OutputProps : public WmReader::IWMOutputMediaProps {
public:
    virtual ~OutputProps() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG count = InterlockedDecrement(&m_refCount);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }
    HRESULT STDMETHODCALLTYPE GetType(GUID* type) override {
        *type = WmReader::WMMEDIATYPE_Audio;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMediaType(WmReader::WM_MEDIA_TYPE* type, DWORD* size) override {
        const DWORD needed = sizeof(WmReader::WM_MEDIA_TYPE) + sizeof(WAVEFORMATEX);
        if (!type) {
            *size = needed;
            return S_OK;
        }
        if (*size < needed) return E_INVALIDARG;
        WAVEFORMATEX format = {};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = kRate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = 4;
        format.nAvgBytesPerSec = kRate * 4;
        std::memset(type, 0, needed);
        type->majortype = WmReader::WMMEDIATYPE_Audio;
        type->formattype = kWaveFormatEx;
        type->bFixedSizeSamples = TRUE;
        type->lSampleSize = 4;
        type->cbFormat = sizeof(WAVEFORMATEX);
        type->pbFormat = reinterpret_cast<BYTE*>(type + 1);
        std::memcpy(type->pbFormat, &format, sizeof format);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMediaType(WmReader::WM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamGroupName(WCHAR*, WORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR*, WORD*) override { return E_NOTIMPL; }

private:
    volatile LONG m_refCount = 1;
};

}  // namespace

PacedReader::PacedReader(double hz, double seconds, bool acceptsUserClock)
    : m_hz(hz), m_duration(static_cast<QWORD>(seconds * kTicksPerSecond)), m_acceptsUserClock(acceptsUserClock) {}

PacedReader::~PacedReader() {
    if (m_thread.joinable()) {
        Close();
        m_thread.join();
    }
    if (m_callback) m_callback->Release();
}

int PacedReader::PauseCalls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pauseCalls;
}

HRESULT STDMETHODCALLTYPE PacedReader::QueryInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, WmReader::IID_IWMReader)) {
        *object = static_cast<WmReader::IWMReader*>(this);
    } else if (IsEqualIID(iid, WmReader::IID_IWMReaderAdvanced)) {
        *object = static_cast<WmReader::IWMReaderAdvanced*>(this);
    } else if (IsEqualIID(iid, WmReader::IID_IWMHeaderInfo)) {
        *object = static_cast<WmReader::IWMHeaderInfo*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE PacedReader::Release() {
    LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE PacedReader::Open(const WCHAR*, WmReader::IWMReaderCallback* callback, void*) {
    if (m_thread.joinable()) {
        Close();
        m_thread.join();
    }
    if (m_callback) m_callback->Release();
    m_callback = callback;
    m_callback->AddRef();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_order = Order::None;
        m_paused = false;
        m_open = true;
    }
    m_thread = std::thread([this] { Run(); });
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::Close() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open) return E_UNEXPECTED;  // nothing open: no status comes
        m_open = false;
        m_order = Order::Close;
    }
    m_changed.notify_all();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::GetOutputCount(DWORD* outputs) {
    *outputs = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::GetOutputProps(DWORD outputNum, WmReader::IWMOutputMediaProps** output) {
    if (outputNum != 0) return E_INVALIDARG;
    *output = new OutputProps();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::Start(QWORD start, QWORD, float, void* context) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open) return E_UNEXPECTED;
        m_order = Order::Start;
        m_orderStart = start;
        m_orderContext = context;
    }
    m_changed.notify_all();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open) return E_UNEXPECTED;
        m_order = Order::Stop;
    }
    m_changed.notify_all();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::Pause() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_pauseCalls;
    if (!m_paused) {
        m_paused = true;
        m_pausedSince = std::chrono::steady_clock::now();
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::Resume() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_paused) {
            m_runBegan += std::chrono::steady_clock::now() - m_pausedSince;
            m_paused = false;
        }
    }
    m_changed.notify_all();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::SetUserProvidedClock(BOOL userClock) {
    if (!m_acceptsUserClock) return E_NOTIMPL;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_userClock = userClock != FALSE;
    }
    m_changed.notify_all();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::GetUserProvidedClock(BOOL* userClock) {
    std::lock_guard<std::mutex> lock(m_mutex);
    *userClock = m_userClock ? TRUE : FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::DeliverTime(QWORD time) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_userClock) return E_UNEXPECTED;
        m_userTime = time;
    }
    m_changed.notify_all();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PacedReader::GetAttributeByName(WORD*, const WCHAR* name, WmReader::WMT_ATTR_DATATYPE* type,
                                                          BYTE* value, WORD* length) {
    BOOL seekable = TRUE;
    const BYTE* source = nullptr;
    WORD size = 0;
    if (std::wcscmp(name, L"Duration") == 0) {
        *type = WmReader::WMT_TYPE_QWORD;
        source = reinterpret_cast<const BYTE*>(&m_duration);
        size = sizeof(QWORD);
    } else if (std::wcscmp(name, L"Seekable") == 0) {
        *type = WmReader::WMT_TYPE_BOOL;
        source = reinterpret_cast<const BYTE*>(&seekable);
        size = sizeof(BOOL);
    } else {
        return WmReader::ASF_E_NOTFOUND;
    }
    if (value) {
        if (*length < size) return E_INVALIDARG;
        std::memcpy(value, source, size);
    }
    *length = size;
    return S_OK;
}

// The reader's thread: opened, then the orders one by one; a run delivers its samples as they
// are due until its end, or until the next order.
void PacedReader::Run() {
    Status(WmReader::WMT_OPENED, nullptr);
    std::unique_lock<std::mutex> lock(m_mutex);
    void* context = nullptr;
    for (;;) {
        m_changed.wait(lock, [&] { return m_order != Order::None; });
        const Order order = m_order;
        m_order = Order::None;
        if (order == Order::Close) {
            lock.unlock();
            Status(WmReader::WMT_CLOSED, nullptr);
            return;
        }
        if (order == Order::Stop) {
            lock.unlock();
            Status(WmReader::WMT_STOPPED, context);
            lock.lock();
            continue;
        }
        context = m_orderContext;
        QWORD time = m_orderStart;
        m_runStart = time;
        m_runBegan = std::chrono::steady_clock::now();
        m_paused = false;
        lock.unlock();
        Status(WmReader::WMT_STARTED, context);
        lock.lock();
        bool ended = true;
        for (; time < m_duration; time += kSampleTicks) {
            if (!WaitUntilDue(lock, time)) {
                ended = false;
                break;
            }
            lock.unlock();
            DeliverSample(time, context);
            lock.lock();
        }
        if (ended) {
            lock.unlock();
            Status(WmReader::WMT_EOF, context);
            lock.lock();
        }
    }
}

void PacedReader::Status(WmReader::WMT_STATUS status, void* context) {
    DWORD zero = 0;
    m_callback->OnStatus(status, S_OK, WmReader::WMT_TYPE_DWORD, reinterpret_cast<BYTE*>(&zero), context);
}

bool PacedReader::WaitUntilDue(std::unique_lock<std::mutex>& lock, QWORD time) {
    for (;;) {
        if (m_order != Order::None) return false;
        if (m_paused) {
            m_changed.wait(lock);
        } else if (m_userClock) {
            if (time <= m_userTime) return true;
            m_changed.wait(lock);
        } else {
            const auto due = m_runBegan + std::chrono::microseconds((time - m_runStart) / 10);
            if (std::chrono::steady_clock::now() >= due) return true;
            m_changed.wait_until(lock, due);
        }
    }
}

void PacedReader::DeliverSample(QWORD time, void* context) {
    const size_t frames = static_cast<size_t>(kSampleTicks * kRate / kTicksPerSecond);
    const QWORD first = time * kRate / kTicksPerSecond;
    std::vector<BYTE> bytes(frames * 4);
    for (size_t i = 0; i < frames; ++i) {
        const double phase = 2 * kPi * m_hz * static_cast<double>(first + i) / kRate;
        const short value = static_cast<short>(16384 * std::sin(phase));
        std::memcpy(&bytes[i * 4], &value, 2);
        std::memcpy(&bytes[i * 4 + 2], &value, 2);
    }
    Buffer* buffer = new Buffer(std::move(bytes));
    m_callback->OnSample(0, time, kSampleTicks, 0, buffer, context);
    buffer->Release();
}
