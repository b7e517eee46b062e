// The main window's settings from "Set.ini".
#include "vela_main_form.h"

#include "settings_file.h"
#include "web_browser.h"

namespace VelaUI {

void VelaMainForm::LoadSettings(bool optionGroup, bool closeGroup, bool loginGroup) {
    if (!SettingsFileExists()) return;
    if (optionGroup) {
        // The download folder and limit are read by the download monitor too.
        SharedGuard guard(m_sharedLock);
        m_settings.runAtLogon = ReadSettingInt(kRunAtLogon, 0);
        m_settings.autoPlay = ReadSettingInt(kAutoPlay, 0);
        m_settings.closeAction = ReadSettingInt(kCloseToTray, 0);
        m_settings.downloadFolder = ReadDownloadFolder();
        m_settings.downloadLimit = ReadDownloadLimit();
        m_pageUrl = ClientPageUrl();
    }
    if (closeGroup) {
        m_settings.closeAction = ReadSettingInt(kCloseAction, 0);
        m_settings.doNotAsk = ReadSettingInt(kDoNotAsk, 0);
    }
    if (loginGroup) LoadLoginSettings();
}

}  // namespace VelaUI
