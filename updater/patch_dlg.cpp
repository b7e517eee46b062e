#include "patch_dlg.h"

#include <commctrl.h>

#include <cstdarg>
#include <cwchar>
#include <vector>

#include "resource.h"
#include "win_files.h"

namespace {

constexpr UINT_PTR kScheduleTimer = 1000;
constexpr UINT kSchedulePeriodMs = 100;

std::wstring NewTempXmlFile() {
    wchar_t folder[MAX_PATH + 1] = {};
    wchar_t file[MAX_PATH + 1] = {};
    if (!GetTempPathW(MAX_PATH, folder)) return {};
    if (!GetTempFileNameW(folder, L"Xml", 0, file)) return {};
    return file;
}

}  // namespace

int ProgressPercent(uint32_t part, uint32_t whole) {
    if (whole == 0) return 0;
    uint64_t p = static_cast<uint64_t>(part) * 100 / whole;
    return static_cast<int>(p > 100 ? 100 : p);
}

std::wstring FormatText(const wchar_t* pattern, ...) {
    std::vector<wchar_t> buffer(512);
    for (;;) {
        va_list args;
        va_start(args, pattern);
        int n = vswprintf(buffer.data(), buffer.size(), pattern, args);
        va_end(args);
        if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::wstring(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 4);
    }
}

CPatchRunnerDlg::CPatchRunnerDlg(std::wstring serverListUrl, bool autoMode)
    : CDialog(IDD_PATCHRUNNER_DIALOG), serverListUrl_(std::move(serverListUrl)), autoMode_(autoMode) {
    icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    tray_.cbSize = sizeof tray_;
}

// Members go in reverse order: the job queue cancels and waits for every job still queued.
CPatchRunnerDlg::~CPatchRunnerDlg() { jobs_.Clear(); }

void CPatchRunnerDlg::DoDataExchange() {
    autoSelectButton_.Attach(GetDlgItem(IDC_BTN_AUTOSELECT));
    updateNowButton_.Attach(GetDlgItem(IDC_BTN_UPDATENOW));
    currentProgress_.Attach(GetDlgItem(IDC_PROGRESS_CURRENT));
    totalProgress_.Attach(GetDlgItem(IDC_PROGRESS_TOTAL));
    serverCombo_.Attach(GetDlgItem(IDC_COMBO_SERVERS));
    log_.Attach(GetDlgItem(IDC_LIST_LOG));
}

BOOL CPatchRunnerDlg::OnInitDialog() {
    DoDataExchange();
    SendMessageW(GetSafeHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(GetSafeHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    currentProgress_.SetRange(0, 100);
    totalProgress_.SetRange(0, 100);

    if (serverListUrl_.empty()) {
        MessageBoxW(GetSafeHwnd(), L"请输传递服务器列表参数 格式： ...exe http://..../..serverlist.txt auto",
                    L"系统提示", MB_ICONERROR);
        PostQuitMessage(0);
        return FALSE;
    }
    SetTimer(GetSafeHwnd(), kScheduleTimer, kSchedulePeriodMs, nullptr);

    if (!trayShown_) {
        tray_.hWnd = GetSafeHwnd();
        tray_.uID = 0;
        tray_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        tray_.uCallbackMessage = WM_TRAY_NOTIFY;
        tray_.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TRAY_FRAME0));
        wcsncpy(tray_.szTip, L"正在自动更新", 63);
        Shell_NotifyIconW(NIM_ADD, &tray_);
        ShowWindow(GetSafeHwnd(), SW_HIDE);
        trayShown_ = true;
    }
    GetServerList(serverListUrl_);
    return TRUE;
}

bool CPatchRunnerDlg::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_BTN_UPDATENOW) {
        OnUpdateNow();
        return true;
    }
    // The automatic choice of a server is not offered: the button does nothing.
    return id == IDC_BTN_AUTOSELECT;
}

bool CPatchRunnerDlg::OnMessage(UINT message, WPARAM w, LPARAM l, INT_PTR& result) {
    switch (message) {
    case WM_PAINT:
        if (!IsIconic(GetSafeHwnd())) return false;
        OnPaint();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(icon_);
        return true;
    case WM_JOB_PROGRESS:
        result = OnDownloadProgress(w, l);
        return true;
    case WM_JOB_DONE:
        result = OnDownloadComplete(w, l);
        return true;
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(w));
        return false;
    case WM_SYSCOMMAND:
        if ((w & 0xFFF0) == SC_MINIMIZE) {
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

void CPatchRunnerDlg::OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(GetSafeHwnd(), &ps);
    SendMessageW(GetSafeHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT rc;
    GetClientRect(GetSafeHwnd(), &rc);
    int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
    DrawIcon(dc, (rc.right - rc.left - cx + 1) / 2, (rc.bottom - rc.top - cy + 1) / 2, icon_);
    EndPaint(GetSafeHwnd(), &ps);
}

void CPatchRunnerDlg::OnDestroy() { RemoveTrayIcon(); }

void CPatchRunnerDlg::RemoveTrayIcon() {
    if (trayShown_) Shell_NotifyIconW(NIM_DELETE, &tray_);
    trayShown_ = false;
}

void CPatchRunnerDlg::EnableControls(bool enable) {
    updateNowButton_.EnableWindow(enable);
    serverCombo_.EnableWindow(enable);
}

CInetFile* CPatchRunnerDlg::NewJob(int kind) {
    if (!session_) {
        try {
            session_ = NewJobSession();
        } catch (const CInternetException&) {
            // Left to each job, which then ends with its connection failure.
        }
    }
    CInetFile* job = new CInetFile();
    job->statusCallback = true;
    job->kind = kind;
    job->notifyWindow = GetSafeHwnd();
    job->session = session_.get();
    return job;
}

void CPatchRunnerDlg::QueueListJob(int kind, const std::wstring& url, const std::wstring& serverName) {
    CInetFile* job = NewJob(kind);
    job->url = url;
    job->serverName = serverName;
    job->target = NewTempXmlFile();
    job->expectedLength = 0;
    EnableControls(false);
    jobs_.Add(job);
}

void CPatchRunnerDlg::GetServerList(const std::wstring& url) {
    files_.Clear();
    currentProgress_.SetPos(0);
    totalProgress_.SetPos(0);
    AddLog(L"正在连接获取服务器列表", 0);
    downloadedBytes_ = 0;
    QueueListJob(kJobServerList, url, L"");
}

void CPatchRunnerDlg::OnUpdateNow() {
    int selection = serverCombo_.GetCurSel();
    if (selection < 0) return;
    const CServer* server = static_cast<const CServer*>(serverCombo_.GetItemDataPtr(selection));
    if (!server) return;
    files_.Clear();
    currentProgress_.SetPos(0);
    totalProgress_.SetPos(0);
    AddLog(FormatText(L"正在连接：%ls", server->name.c_str()), 0);
    downloadedBytes_ = 0;
    QueueListJob(kJobFileList, server->url, server->name);
}

void CPatchRunnerDlg::OnTimer(UINT_PTR id) {
    if (id != kScheduleTimer) return;
    CSectionGuard guard(lock_);
    StartNextJob();
}

void CPatchRunnerDlg::StartNextJob() {
    if (runningJobs_ >= maxRunningJobs_) return;
    CInetFile* head = jobs_.GetHead();
    if (!head || head->StartCount() != 0) return;
    if (head->kind == kJobFile) AddLog(FormatText(L"正在更新文件：%ls", head->displayName.c_str()), 0);
    ++runningJobs_;
    if (!head->Start()) {
        // No thread: the job ends here as failed, so that the queue goes on.
        FinishJob(head, kJobThreadFailed);
    }
}

LRESULT CPatchRunnerDlg::OnDownloadProgress(WPARAM w, LPARAM l) {
    CSectionGuard guard(lock_);
    CInetFile* job = reinterpret_cast<CInetFile*>(l);
    if (!job) return 0;
    int kind = HIWORD(w);
    std::wstring tip;
    if (job->expectedLength != 0) currentProgress_.SetPos(ProgressPercent(job->Received(), job->expectedLength));
    if (kind == kJobFile) {
        if (totalLength_ != 0) {
            int percent = ProgressPercent(downloadedBytes_ + job->Received(), totalLength_);
            totalProgress_.SetPos(percent);
            tip = FormatText(L"%u%%", static_cast<unsigned>(percent));
        }
    }
    if (trayShown_) {
        trayFrame_ = (trayFrame_ + 1) % 3;
        static const UINT frames[3] = {IDI_TRAY_FRAME0, IDI_TRAY_FRAME1, IDI_TRAY_FRAME2};
        tray_.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(frames[trayFrame_]));
        tray_.uFlags = NIF_ICON;
        Shell_NotifyIconW(NIM_MODIFY, &tray_);
        if (wcsncmp(tray_.szTip, tip.c_str(), 63) != 0) {
            wcsncpy(tray_.szTip, tip.c_str(), 63);
            tray_.szTip[63] = 0;
            tray_.uFlags = NIF_TIP;
            Shell_NotifyIconW(NIM_MODIFY, &tray_);
        }
    }
    return 0;
}

LRESULT CPatchRunnerDlg::OnDownloadComplete(WPARAM w, LPARAM l) {
    CSectionGuard guard(lock_);
    CInetFile* job = reinterpret_cast<CInetFile*>(l);
    if (!job) return 0;
    FinishJob(job, LOWORD(w));
    return 0;
}

void CPatchRunnerDlg::FinishJob(CInetFile* job, DWORD code) {
    int kind = job->kind;
    if (kind == kJobFile) {
        // Progress is posted per shown step, so the last bytes of a job may not have been shown.
        downloadedBytes_ += job->Received();
        if (totalLength_ != 0) totalProgress_.SetPos(ProgressPercent(downloadedBytes_, totalLength_));
    }
    switch (kind) {
    case kJobServerList: OnServerListArrived(job, code); break;
    case kJobFileList: OnFileListArrived(job, code); break;
    default: OnFileArrived(job, code); break;
    }
    jobs_.Remove(job);
    if (jobs_.GetCount() == 0) {
        if (kind == kJobFile) AddLog(L"更新完毕", 0);
        EnableControls(true);
    }
    if (runningJobs_ > 0) --runningJobs_;
    // The next job need not wait for the timer: a file of a few bytes then costs no more than
    // its request.
    StartNextJob();
}

void CPatchRunnerDlg::OnServerListArrived(CInetFile* job, DWORD code) {
    // A download that failed may have stopped inside a line, which would still read as a server
    // with a cut-off address: nothing of such a list is taken.
    int added = 0;
    if (code == kJobOk) {
        added = servers_.AddFromFile(job->target);
        if (added < 0) return;  // not even readable: left in place
    }
    if (added == 0) {
        AddLog(L"获得服务器列表失败", 0);
    } else {
        AddLog(FormatText(L"获取服务器列表成功,共取得 %u 个可选服务器", static_cast<unsigned>(added)), code);
        RefillServerCombo();
        if (autoMode_) OnUpdateNow();
    }
    DeleteFileW(job->target.c_str());
}

void CPatchRunnerDlg::OnFileListArrived(CInetFile* job, DWORD code) {
    if (code != kJobOk) {
        AddLog(FormatText(L"%ls：%ls", job->GetErrorText().c_str(), job->serverName.c_str()), code);
    } else {
        AddLog(FormatText(L"获取更新文件列表成功：%ls", job->serverName.c_str()), 0);
        QueueListedFiles(job);
    }
    // The list is read at most once; a failed or partial download is of no further use either.
    DeleteFileW(job->target.c_str());
}

void CPatchRunnerDlg::QueueListedFiles(CInetFile* job) {
    if (!files_.LoadFromXml(job->target)) {
        AddLog(FormatText(L"解析更新文件列表失败：%ls", job->serverName.c_str()), 0);
        return;
    }
    for (const std::wstring& name : files_.Refused()) {
        AddLog(FormatText(L"拒绝安装到程序目录以外的文件 [%ls]", name.c_str()), 0);
    }
    filesToUpdate_ = static_cast<DWORD>(files_.RemoveUpToDate());
    totalLength_ = files_.GetTotalLength();
    if (filesToUpdate_ == 0) {
        AddLog(L"你当前的版本是最新的", 0);
    } else {
        AddLog(FormatText(L"需更新文件总数: %u, 文件总长度: %u KB", static_cast<unsigned>(filesToUpdate_),
                          static_cast<unsigned>(totalLength_ / 1024)),
               0);
    }
    while (CUpdateFile* entry = files_.PopHead()) {
        CInetFile* file = NewJob(kJobFile);
        file->url = entry->URL;
        file->serverName = job->serverName;
        file->target = entry->fullLocalPath;
        // A negative Length says nothing about the file: no length is expected then.
        file->expectedLength = entry->Length > 0 ? static_cast<DWORD>(entry->Length) : 0;
        file->displayName = entry->FileName;
        file->Register = entry->Register;
        file->ZipFile = entry->ZipFile;
        file->ForceOverwrite = entry->ForceOverwrite;
        file->Execute = entry->Execute;
        file->ExecutePar = entry->ExecutePar;
        EnableControls(false);
        jobs_.Add(file);
        delete entry;
    }
}

void CPatchRunnerDlg::OnFileArrived(CInetFile* job, DWORD code) {
    if (code != kJobOk) {
        AddLog(FormatText(L"下载文件失败 [%ls], 错误代码 [%u]", job->displayName.c_str(), static_cast<unsigned>(code)), 0);
        return;
    }
    InstallDownloadedFile(job);
}

void CPatchRunnerDlg::InstallDownloadedFile(CInetFile* job) {
    const std::wstring downloaded = job->LocalFileName();
    const bool hadOldFile = CUpdateFile::FileExists(job->target);
    // One step: the old file stays until the new one has taken its place.
    if (!MoveFileIntoPlace(downloaded, job->target)) {
        if (hadOldFile) {
            AddLog(FormatText(L"删除文件失败 [%ls]", job->displayName.c_str()), 0);
        } else {
            AddLog(FormatText(L"重命名文件失败 [%ls]", job->displayName.c_str()), 0);
        }
        return;
    }
    AddLog(FormatText(L"下载文件成功 [%ls]", job->displayName.c_str()), 0);
    if (job->Execute) {
        ShellExecuteW(nullptr, nullptr, job->target.c_str(), job->ExecutePar.empty() ? nullptr : job->ExecutePar.c_str(),
                      nullptr, SW_SHOWNORMAL);
    }
    if (job->Register) {
        std::wstring parameters = L"/s \"" + job->target + L"\"";
        ShellExecuteW(nullptr, nullptr, L"regsvr32", parameters.c_str(), nullptr, SW_SHOWNORMAL);
    }
}

void CPatchRunnerDlg::AddLog(const std::wstring& text, DWORD_PTR itemData) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring line = FormatText(L"%.2u:%.2u:%.2u %ls", static_cast<unsigned>(now.wHour),
                                   static_cast<unsigned>(now.wMinute), static_cast<unsigned>(now.wSecond), text.c_str());
    int index = log_.AddString(line);
    if (index < 0) return;
    log_.SetItemData(index, itemData);
    log_.SetCurSel(index);
}

void CPatchRunnerDlg::RefillServerCombo() {
    while (serverCombo_.DeleteString(0) != CB_ERR) {
    }
    servers_.FillComboBox(serverCombo_);
}
