// Steps of start-up, closing and dispatch whose objects belong to concerns that are not built
// yet (the embedded web page, the account, the download manager). Each concern moves
// its hooks into its own file and gives them their work; until then there is nothing for them to
// do: no web page host, no download item or thread exists.
#include "vela_main_form.h"

namespace VelaUI {

void VelaMainForm::CreateWebPage() {}
void VelaMainForm::ShowWebPage(bool) {}
void VelaMainForm::CallPageSearch(const std::wstring&) {}
void VelaMainForm::LoadLoginSettings() {}
void VelaMainForm::MonitorDownloads() {}
void VelaMainForm::LoadDownloadList() {}
void VelaMainForm::StopDownloadThreads() {}
void VelaMainForm::SaveDownloadList() {}
void VelaMainForm::StopWebPage() {}

}  // namespace VelaUI
