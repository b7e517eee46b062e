#include "login_credentials.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "aes.h"
#include "local_helpers.h"
#include "settings_file.h"

namespace VelaUI {

namespace {

// Far more than any password; a bigger file is not one of ours.
const std::size_t kMaxPasswordFileBytes = 4096;

// The key of the remembered password; every version of the player must read the same file.
const std::uint8_t kPasswordKey[AES::kBlockSize] = {0x3f, 0x9a, 0x1c, 0x77, 0xe2, 0xb0, 0x4d, 0x58,
                                                     0x16, 0xca, 0x9e, 0x03, 0xb7, 0xf2, 0x41, 0x6d};

std::wstring PasswordPath(const std::wstring& dataFolder) { return dataFolder + L"\\data"; }

}  // namespace

bool ReadLoginSettings(const std::wstring& dataFolder, LoginSettings& settings) {
    const std::wstring file = SettingsFileIn(dataFolder);
    if (!SettingsFileExists(file)) return false;
    settings.rememberPassword = ReadSettingInt(kRememberPassword, 0, file) != 0;
    settings.autoLogin = ReadSettingInt(kLoginAuto, 0, file) != 0;
    settings.account = ReadSettingText(kAccountName, L"", file);
    return true;
}

bool WriteLoginSettings(const std::wstring& dataFolder, const LoginSettings& settings, bool withRememberedAccount) {
    const std::wstring file = SettingsFileIn(dataFolder);
    if (!SettingsFileExists(file)) return false;
    bool ok = WriteSettingFlag(kRememberPassword, settings.rememberPassword, file);
    ok = WriteSettingFlag(kLoginAuto, settings.autoLogin, file) && ok;
    ok = WriteSetting(kAccountName, settings.account, file) && ok;
    if (withRememberedAccount) ok = WriteSetting(kRememberedAccount, settings.account, file) && ok;
    return ok;
}

std::string EncipherPassword(const std::wstring& password) {
    const std::string plain = WideToAnsi(password);
    const std::size_t block = AES::kBlockSize;
    const std::size_t blocks = plain.empty() ? 1 : (plain.size() + block - 1) / block;
    std::vector<std::uint8_t> buffer(blocks * block, 0);
    std::copy(plain.begin(), plain.end(), buffer.begin());
    const AES aes(kPasswordKey);
    for (std::size_t offset = 0; offset < buffer.size(); offset += block) aes.EncryptBlock(&buffer[offset]);
    return std::string(buffer.begin(), buffer.end());
}

std::wstring DecipherPassword(const std::string& fileBytes) {
    const std::size_t block = AES::kBlockSize;
    if (fileBytes.empty() || fileBytes.size() % block != 0 || fileBytes.size() > kMaxPasswordFileBytes) {
        return std::wstring();
    }
    std::vector<std::uint8_t> buffer(fileBytes.begin(), fileBytes.end());
    const AES aes(kPasswordKey);
    for (std::size_t offset = 0; offset < buffer.size(); offset += block) aes.DecryptBlock(&buffer[offset]);
    std::string plain(buffer.begin(), buffer.end());
    plain.resize(plain.find('\0') == std::string::npos ? plain.size() : plain.find('\0'));
    return AnsiToWide(plain);
}

bool SaveRememberedPassword(const std::wstring& dataFolder, const std::wstring& password) {
    return ReplaceWholeFile(PasswordPath(dataFolder), EncipherPassword(password));
}

std::wstring LoadRememberedPassword(const std::wstring& dataFolder) {
    std::string bytes;
    if (!ReadWholeFile(PasswordPath(dataFolder), bytes)) return std::wstring();
    return DecipherPassword(bytes);
}

}  // namespace VelaUI
