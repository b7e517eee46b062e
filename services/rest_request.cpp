#include "rest_request.h"

#include <windows.h>

#include <cwctype>
#include <map>
#include <memory>

#include "http_fetch.h"
#include "local_helpers.h"
#include "md5.h"
#include "vela_deployment.h"

namespace {

// Process-wide state of this file is allocated once and never freed: threads that the player
// does not wait for at exit may still be inside a call while static objects are destroyed.
struct Parameter {
    std::string name;
    std::string value;  // raw bytes, as signed
};

// Signs the parameters given in the order of their names and builds the URL with the
// parameters in the given URL order.
RestRequestText BuildRequest(const std::string& method, const std::vector<Parameter>& urlOrder,
                             const std::vector<Parameter>& signOrder) {
    RestRequestText request;
    request.signingText = VELA_API_SECRET;
    for (const Parameter& p : signOrder) request.signingText += p.name + p.value;
    MD5 digest;
    digest.Update(request.signingText);

    std::string& url = request.url;
    url = "http://" VELA_REST_HOST "/api/rest/?method=" + PercentEncode(method);
    url += std::string("&api_key=") + VELA_API_KEY;
    for (const Parameter& p : urlOrder) url += "&" + p.name + "=" + PercentEncode(p.value);
    url += "&api_sig=" + digest.ToString();
    return request;
}

// Deletes the reply file, sends the request and leaves its reply in the file.
void FetchReply(const std::wstring& replyName, const std::string& url) {
    RestReplyLock hold(replyName);
    const std::wstring path = RestReplyPath(replyName);
    if (path.empty()) return;
    CreateDirectoryTree(path.substr(0, path.rfind(L'\\')));
    DeleteFileW(path.c_str());

    auto down = std::make_shared<MusicDown>();
    down->SetRedirectLocation(std::string());
    down->SetSpareText(std::wstring());
    down->SetTargetFile(path);
    // The URL holds nothing but ASCII once its values are percent-encoded.
    if (!down->DownloadToFile(AsciiToWide(url), 1024000)) DeleteFileW(path.c_str());
}

// The locks live as long as the process: a reply may still be locked while statics are destroyed.
CSectionLock& ReplyLock(const std::wstring& replyName) {
    static CSectionLock* guard = new CSectionLock;
    static auto* locks = new std::map<std::wstring, std::unique_ptr<CSectionLock>>;
    std::wstring key;
    for (wchar_t c : replyName) key += static_cast<wchar_t>(std::towlower(c));
    CSectionGuard hold(*guard);
    std::unique_ptr<CSectionLock>& slot = (*locks)[key];
    if (!slot) slot.reset(new CSectionLock);
    return *slot;
}

}  // namespace

std::string PercentEncode(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        unsigned char b = static_cast<unsigned char>(ch);
        bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
                     b == '_' || b == '.' || b == '~';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

RestRequestText BuildRestByProductId(const std::string& method, const std::wstring& productId) {
    std::vector<Parameter> params = {{"ProductID", WideToAnsi(productId)}};
    return BuildRequest(method, params, params);
}

RestRequestText BuildRestByArtistId(const std::string& method, const std::wstring& artistId) {
    std::vector<Parameter> params = {{"artistID", WideToAnsi(artistId)}, {"page", "1"}, {"per_page", "100"}};
    return BuildRequest(method, params, params);
}

RestRequestText BuildRestForUser(const std::string& method, const std::wstring& userName,
                                 const std::string& paramName, const std::wstring& paramValue,
                                 bool paramSortsFirst) {
    Parameter user{"u_name", WideToAnsi(userName)};
    Parameter param{paramName, WideToAnsi(paramValue)};
    std::vector<Parameter> urlOrder = {user, param};
    std::vector<Parameter> signOrder = paramSortsFirst ? std::vector<Parameter>{param, user} : urlOrder;
    return BuildRequest(method, urlOrder, signOrder);
}

RestRequestText BuildRestWithParam(const std::string& method, const std::string& paramName,
                                   const std::wstring& paramValue) {
    std::vector<Parameter> params = {{paramName, WideToAnsi(paramValue)}};
    return BuildRequest(method, params, params);
}

int RestGetByProductId(const std::wstring& replyName, const std::string& method, const std::wstring& productId) {
    FetchReply(replyName, BuildRestByProductId(method, productId).url);
    return 1;
}

int RestGetByArtistId(const std::wstring& replyName, const std::string& method, const std::wstring& artistId) {
    FetchReply(replyName, BuildRestByArtistId(method, artistId).url);
    return 1;
}

int RestGetForUser(const std::wstring& replyName, const std::string& method, const std::wstring& userName,
                   const std::string& paramName, const std::wstring& paramValue, bool paramSortsFirst) {
    FetchReply(replyName, BuildRestForUser(method, userName, paramName, paramValue, paramSortsFirst).url);
    return 1;
}


std::wstring RestReplyPath(const std::wstring& replyName) {
    std::wstring folder;
    if (!GetUserDataFolder(folder) || folder.empty()) return std::wstring();
    return folder + L"\\" + replyName;
}

RestReplyLock::RestReplyLock(const std::wstring& replyName) : guard_(ReplyLock(replyName)) {}
