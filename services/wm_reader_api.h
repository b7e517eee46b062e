// Declarations of the Windows Media Format reader interfaces that the audio engine uses, in the
// vtable order of the runtime's own interfaces. The runtime ships no import library here:
// WMCreateReader is looked up in wmvcore.dll at run time (see LoadWmCreateReader).
#pragma once

#include <objidl.h>
#include <windows.h>

namespace WmReader {

typedef unsigned __int64 QWORD;

// Status codes delivered to IWMStatusCallback::OnStatus.
enum WMT_STATUS {
    WMT_ERROR = 0,
    WMT_OPENED = 1,
    WMT_BUFFERING_START = 2,
    WMT_BUFFERING_STOP = 3,
    WMT_EOF = 4,
    WMT_END_OF_SEGMENT = 5,
    WMT_END_OF_STREAMING = 6,
    WMT_LOCATING = 7,
    WMT_CONNECTING = 8,
    WMT_NO_RIGHTS = 9,
    WMT_MISSING_CODEC = 10,
    WMT_STARTED = 11,
    WMT_STOPPED = 12,
    WMT_CLOSED = 13,
    WMT_STRIDING = 14,
    WMT_TIMER = 15,
    WMT_INDEX_PROGRESS = 16,
    WMT_SAVEAS_START = 17,
    WMT_SAVEAS_STOP = 18,
    WMT_NEW_SOURCEFLAGS = 19,
    WMT_NEW_METADATA = 20,
    WMT_BACKUPRESTORE_BEGIN = 21,
    WMT_SOURCE_SWITCH = 22,
    WMT_ACQUIRE_LICENSE = 23,
    WMT_INDIVIDUALIZE = 24,
    WMT_NEEDS_INDIVIDUALIZATION = 25,
    WMT_NO_RIGHTS_EX = 26,
    WMT_BACKUPRESTORE_END = 27,
    WMT_BACKUPRESTORE_CONNECTING = 28,
    WMT_BACKUPRESTORE_DISCONNECTING = 29,
    WMT_ERROR_WITHURL = 30,
    WMT_RESTRICTED_LICENSE = 31,
    WMT_CLIENT_CONNECT = 32,
    WMT_CLIENT_DISCONNECT = 33,
    WMT_NATIVE_OUTPUT_PROPS_CHANGED = 34,
    WMT_RECONNECT_START = 35,
    WMT_RECONNECT_END = 36,
    WMT_CLIENT_CONNECT_EX = 37,
    WMT_CLIENT_DISCONNECT_EX = 38,
    WMT_SET_FEC_SPAN = 39,
    WMT_PREROLL_READY = 40,
    WMT_PREROLL_COMPLETE = 41,
    WMT_CLIENT_PROPERTIES = 42,
    WMT_LICENSEURL_SIGNATURE_STATE = 43,
};

// Types of header attribute values.
enum WMT_ATTR_DATATYPE {
    WMT_TYPE_DWORD = 0,
    WMT_TYPE_STRING = 1,
    WMT_TYPE_BINARY = 2,
    WMT_TYPE_BOOL = 3,
    WMT_TYPE_QWORD = 4,
    WMT_TYPE_WORD = 5,
    WMT_TYPE_GUID = 6,
};

enum WMT_STREAM_SELECTION {
    WMT_OFF = 0,
    WMT_CLEANPOINT_ONLY = 1,
    WMT_ON = 2,
};

enum WMT_PLAY_MODE {
    WMT_PLAY_MODE_AUTOSELECT = 0,
    WMT_PLAY_MODE_LOCAL = 1,
    WMT_PLAY_MODE_DOWNLOAD = 2,
    WMT_PLAY_MODE_STREAMING = 3,
};

// Rights asked of WMCreateReader.
const DWORD WMT_RIGHT_PLAYBACK = 0x00000001;

// The runtime's "attribute not found" result.
const HRESULT ASF_E_NOTFOUND = static_cast<HRESULT>(0xC00D07F0);

struct WM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

// Opaque records that appear in signatures the engine never calls.
struct WM_READER_STATISTICS;
struct WM_READER_CLIENTINFO;

// Interface identifiers.
inline const IID IID_IWMStatusCallback = {0x6d7cdc70, 0x9888, 0x11d3, {0x8e, 0xdc, 0x00, 0xc0, 0x4f, 0x61, 0x09, 0xcf}};
inline const IID IID_IWMReaderCallback = {0x96406bd8, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline const IID IID_IWMReaderCallbackAdvanced = {0x96406beb, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline const IID IID_IWMReader = {0x96406bd6, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline const IID IID_IWMHeaderInfo = {0x96406bda, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline const IID IID_IWMReaderAdvanced = {0x96406bea, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline const IID IID_IWMReaderAdvanced2 = {0xae14a945, 0xb90c, 0x4d0d, {0x91, 0x27, 0x80, 0xd6, 0x65, 0xf7, 0xd7, 0x3e}};
inline const IID IID_INSSBuffer = {0xe1cd3524, 0x03d7, 0x11d2, {0x9e, 0xed, 0x00, 0x60, 0x97, 0xd2, 0xd7, 0xcf}};
inline const GUID WMMEDIATYPE_Audio = {0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

struct INSSBuffer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLength(DWORD* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLength(DWORD length) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBuffer(BYTE** buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE** buffer, DWORD* length) = 0;
};

struct IWMStatusCallback : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnStatus(WMT_STATUS status, HRESULT hr, WMT_ATTR_DATATYPE type,
                                               BYTE* value, void* context) = 0;
};

struct IWMReaderCallback : public IWMStatusCallback {
    virtual HRESULT STDMETHODCALLTYPE OnSample(DWORD outputNum, QWORD sampleTime, QWORD sampleDuration,
                                               DWORD flags, INSSBuffer* sample, void* context) = 0;
};

// Answered by a callback that takes part in the reader's clock: OnTime tells that every sample up
// to a time given by IWMReaderAdvanced::DeliverTime has been delivered.
struct IWMReaderCallbackAdvanced : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnStreamSample(WORD streamNum, QWORD sampleTime, QWORD sampleDuration,
                                                     DWORD flags, INSSBuffer* sample, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnTime(QWORD time, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStreamSelection(WORD streamCount, WORD* streamNumbers,
                                                        WMT_STREAM_SELECTION* selections, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnOutputPropsChanged(DWORD outputNum, WM_MEDIA_TYPE* mediaType,
                                                           void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE AllocateForStream(WORD streamNum, DWORD size, INSSBuffer** buffer,
                                                        void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE AllocateForOutput(DWORD outputNum, DWORD size, INSSBuffer** buffer,
                                                        void* context) = 0;
};

struct IWMMediaProps : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetType(GUID* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMediaType(WM_MEDIA_TYPE* type, DWORD* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(WM_MEDIA_TYPE* type) = 0;
};

struct IWMOutputMediaProps : public IWMMediaProps {
    virtual HRESULT STDMETHODCALLTYPE GetStreamGroupName(WCHAR* name, WORD* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectionName(WCHAR* name, WORD* length) = 0;
};

struct IWMReader : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Open(const WCHAR* url, IWMReaderCallback* callback, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputCount(DWORD* outputs) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputProps(DWORD outputNum, IWMOutputMediaProps** output) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputProps(DWORD outputNum, IWMOutputMediaProps* output) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputFormatCount(DWORD outputNum, DWORD* formats) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputFormat(DWORD outputNum, DWORD formatNum,
                                                      IWMOutputMediaProps** props) = 0;
    virtual HRESULT STDMETHODCALLTYPE Start(QWORD start, QWORD duration, float rate, void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
    virtual HRESULT STDMETHODCALLTYPE Resume() = 0;
};

struct IWMHeaderInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAttributeCount(WORD streamNum, WORD* attributes) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributeByIndex(WORD index, WORD* streamNum, WCHAR* name,
                                                          WORD* nameLength, WMT_ATTR_DATATYPE* type,
                                                          BYTE* value, WORD* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributeByName(WORD* streamNum, const WCHAR* name,
                                                         WMT_ATTR_DATATYPE* type, BYTE* value,
                                                         WORD* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAttribute(WORD streamNum, const WCHAR* name, WMT_ATTR_DATATYPE type,
                                                   const BYTE* value, WORD length) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMarkerCount(WORD* markers) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMarker(WORD index, WCHAR* name, WORD* nameLength, QWORD* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddMarker(const WCHAR* name, QWORD time) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveMarker(WORD index) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScriptCount(WORD* scripts) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetScript(WORD index, WCHAR* type, WORD* typeLength, WCHAR* command,
                                                WORD* commandLength, QWORD* time) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddScript(const WCHAR* type, const WCHAR* command, QWORD time) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveScript(WORD index) = 0;
};

struct IWMReaderAdvanced : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetUserProvidedClock(BOOL userClock) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUserProvidedClock(BOOL* userClock) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeliverTime(QWORD time) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetManualStreamSelection(BOOL selection) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetManualStreamSelection(BOOL* selection) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStreamsSelected(WORD streamCount, WORD* streamNumbers,
                                                         int* selections) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStreamSelected(WORD streamNum, int* selection) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReceiveSelectionCallbacks(BOOL getCallbacks) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReceiveSelectionCallbacks(BOOL* getCallbacks) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetReceiveStreamSamples(WORD streamNum, BOOL receive) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetReceiveStreamSamples(WORD streamNum, BOOL* receive) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAllocateForOutput(DWORD outputNum, BOOL allocate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAllocateForOutput(DWORD outputNum, BOOL* allocate) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetAllocateForStream(WORD streamNum, BOOL allocate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAllocateForStream(WORD streamNum, BOOL* allocate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStatistics(WM_READER_STATISTICS* statistics) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetClientInfo(WM_READER_CLIENTINFO* clientInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMaxOutputSampleSize(DWORD outputNum, DWORD* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMaxStreamSampleSize(WORD streamNum, DWORD* size) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyLateDelivery(QWORD lateness) = 0;
};

struct IWMReaderAdvanced2 : public IWMReaderAdvanced {
    virtual HRESULT STDMETHODCALLTYPE SetPlayMode(WMT_PLAY_MODE mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPlayMode(WMT_PLAY_MODE* mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBufferProgress(DWORD* percent, QWORD* buffering) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDownloadProgress(DWORD* percent, QWORD* bytesDownloaded,
                                                          QWORD* download) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSaveAsProgress(DWORD* percent) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveFileAs(const WCHAR* fileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetProtocolName(WCHAR* protocol, DWORD* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartAtMarker(WORD markerIndex, QWORD duration, float rate,
                                                    void* context) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOutputSetting(DWORD outputNum, const WCHAR* name,
                                                       WMT_ATTR_DATATYPE* type, BYTE* value,
                                                       WORD* length) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetOutputSetting(DWORD outputNum, const WCHAR* name,
                                                       WMT_ATTR_DATATYPE type, const BYTE* value,
                                                       WORD length) = 0;
    virtual HRESULT STDMETHODCALLTYPE Preroll(QWORD start, QWORD duration, float rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetLogClientID(BOOL logClientId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLogClientID(BOOL* logClientId) = 0;
    virtual HRESULT STDMETHODCALLTYPE StopBuffering() = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenStream(IStream* stream, IWMReaderCallback* callback,
                                                 void* context) = 0;
};

typedef HRESULT(STDMETHODCALLTYPE* WMCreateReaderFn)(IUnknown* certificate, DWORD rights, IWMReader** reader);

// Loads wmvcore.dll (once per process; it stays loaded) and returns its WMCreateReader, or null
// when the runtime is not installed.
inline WMCreateReaderFn LoadWmCreateReader() {
    static const WMCreateReaderFn create = []() -> WMCreateReaderFn {
        HMODULE module = LoadLibraryW(L"wmvcore.dll");
        if (!module) return nullptr;
        return reinterpret_cast<WMCreateReaderFn>(
            reinterpret_cast<void*>(GetProcAddress(module, "WMCreateReader")));
    }();
    return create;
}

}  // namespace WmReader
