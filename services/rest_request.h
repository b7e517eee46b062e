// Signed calls of the service's REST interface. A call is an HTTP GET of the REST endpoint with
// the method name, the API key, the method's parameters and a signature: the MD5 digest of the
// shared secret followed by each signed parameter's name and value in byte order of the names.
// The builders write the reply into a file of the per-user data folder, which the caller then
// parses by its name (a missing file means that the call failed).
#pragma once

#include <string>
#include <vector>

#include "win_owners.h"

// Method names of the service.
namespace RestMethod {
constexpr char Login[] = "Sylk42.User.Login";
constexpr char Logout[] = "Sylk42.User.Logout";
constexpr char GetTrackPlayUrl[] = "Sylk42.Track.GetTrackPlayUrl";
constexpr char GetTrackDownUrl[] = "Sylk42.Track.GetTrackDownUrl";
constexpr char GetByArtistID[] = "Sylk42.Track.GetByArtistID";
constexpr char GetByTopicID[] = "Sylk42.Track.GetByTopicID";
constexpr char GetHotTrackForGenre[] = "Sylk42.Track.GetHotTrackForGenre";
constexpr char GetPalyList[] = "Sylk42.User.GetPalyList";
constexpr char GetPlayListTracks[] = "Sylk42.User.GetPlayListTracks";
}  // namespace RestMethod

// Names of the reply files in the per-user data folder.
namespace RestReply {
constexpr wchar_t Login[] = L"login";
constexpr wchar_t Logout[] = L"logout";
constexpr wchar_t PlayUrl[] = L"playurl";
constexpr wchar_t DownUrl[] = L"download";
constexpr wchar_t TrackByArtist[] = L"trackbyartist";
constexpr wchar_t Topic[] = L"topic";
constexpr wchar_t Genre[] = L"Genre";
}  // namespace RestReply

// Sends the call; the reply goes to the file replyName in the data folder (deleted first, so a
// failed call leaves none). Each returns 1, whatever happened on the network.
//   RestGetByProductId: ProductID = productId.
//   RestGetByArtistId:  artistID = artistId, page = 1, per_page = 100.
//   RestGetForUser:     u_name = userName, then paramName = paramValue; paramSortsFirst says
//                       whether paramName sorts before "u_name" in byte order.
int RestGetByProductId(const std::wstring& replyName, const std::string& method,
                       const std::wstring& productId);
int RestGetByArtistId(const std::wstring& replyName, const std::string& method,
                      const std::wstring& artistId);
int RestGetForUser(const std::wstring& replyName, const std::string& method,
                   const std::wstring& userName, const std::string& paramName,
                   const std::wstring& paramValue, bool paramSortsFirst);

// One request as it goes on the wire: the full URL (values percent-encoded) and the text that
// its signature digests (the secret and the raw values, in the code page of the call).
struct RestRequestText {
    std::string url;
    std::string signingText;
};

RestRequestText BuildRestByProductId(const std::string& method, const std::wstring& productId);
RestRequestText BuildRestByArtistId(const std::string& method, const std::wstring& artistId);
RestRequestText BuildRestForUser(const std::string& method, const std::wstring& userName,
                                 const std::string& paramName, const std::wstring& paramValue,
                                 bool paramSortsFirst);
// A call with one parameter (the online-playlist calls, whose reply is read into memory).
RestRequestText BuildRestWithParam(const std::string& method, const std::string& paramName,
                                   const std::wstring& paramValue);

// Percent-encodes every byte except letters, digits and "-._~".
std::string PercentEncode(const std::string& bytes);

// Full path of a reply file: the per-user data folder, a backslash and the name. Empty when
// the data folder cannot be named.
std::wstring RestReplyPath(const std::wstring& replyName);

// Serialises the use of one reply file between threads. The builders and the parsers hold it
// while they write or read the file; a caller that sends a call and then parses its reply holds
// it across both, so that no other call replaces the file in between:
//   { RestReplyLock hold(RestReply::PlayUrl); RestGetByProductId(...); ParsePlayUrlReply(...); }
// The lock is recursive and names are compared without regard to case, as file names are.
class RestReplyLock {
public:
    explicit RestReplyLock(const std::wstring& replyName);

private:
    CSectionGuard guard_;
};
