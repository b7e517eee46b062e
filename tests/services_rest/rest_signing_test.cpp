// The text each REST call signs and the URL it sends, without the network.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "md5.h"
#include "rest_request.h"
#include "vela_deployment.h"

namespace {

std::string Endpoint() { return std::string("http://") + VELA_REST_HOST + "/api/rest/?method="; }

std::string Signature(const std::string& signingText) {
    MD5 md5;
    md5.Update(signingText);
    return md5.ToString();
}

struct SigningCase {
    const char* label;
    std::function<RestRequestText()> build;
    std::string signedAfterSecret;
    std::string queryAfterMethod;  // from "&api_key=..." up to, not including, "&api_sig="
};

TEST(RestSigning, EveryMethodSignsItsParametersInByteOrderOfTheirNames) {
    const std::string key = std::string("&api_key=") + VELA_API_KEY;
    const SigningCase cases[] = {
        {"login", [] { return BuildRestForUser(RestMethod::Login, L"alice", "u_pwd", L"secret1", false); },
         "u_namealiceu_pwdsecret1", key + "&u_name=alice&u_pwd=secret1"},
        {"logout", [] { return BuildRestForUser(RestMethod::Logout, L"alice", "tk", L"tok9", true); },
         "tktok9u_namealice", key + "&u_name=alice&tk=tok9"},
        {"play url", [] { return BuildRestByProductId(RestMethod::GetTrackPlayUrl, L"123"); }, "ProductID123",
         key + "&ProductID=123"},
        {"download url", [] { return BuildRestByProductId(RestMethod::GetTrackDownUrl, L"77"); }, "ProductID77",
         key + "&ProductID=77"},
        {"by artist", [] { return BuildRestByArtistId(RestMethod::GetByArtistID, L"12"); },
         "artistID12page1per_page100", key + "&artistID=12&page=1&per_page=100"},
        {"by topic", [] { return BuildRestByProductId(RestMethod::GetByTopicID, L"7"); }, "ProductID7",
         key + "&ProductID=7"},
        {"hot for genre", [] { return BuildRestByProductId(RestMethod::GetHotTrackForGenre, L"3"); }, "ProductID3",
         key + "&ProductID=3"},
        {"user playlists", [] { return BuildRestWithParam(RestMethod::GetPalyList, "u_uid", L"90001"); },
         "u_uid90001", key + "&u_uid=90001"},
        {"playlist tracks", [] { return BuildRestWithParam(RestMethod::GetPlayListTracks, "pl_id", L"301"); },
         "pl_id301", key + "&pl_id=301"},
    };
    for (const SigningCase& c : cases) {
        SCOPED_TRACE(c.label);
        RestRequestText request = c.build();
        EXPECT_EQ(request.signingText, std::string(VELA_API_SECRET) + c.signedAfterSecret);
        std::string::size_type methodEnd = request.url.find("&api_key=");
        ASSERT_NE(methodEnd, std::string::npos) << request.url;
        EXPECT_EQ(request.url.substr(methodEnd),
                  c.queryAfterMethod + "&api_sig=" + Signature(request.signingText));
        EXPECT_EQ(request.url.compare(0, Endpoint().size(), Endpoint()), 0) << request.url;
    }
}

TEST(RestSigning, TheMethodNameAndItsKeyAreSentButNotSigned) {
    RestRequestText request = BuildRestByProductId(RestMethod::GetTrackPlayUrl, L"123");
    EXPECT_EQ(request.url.substr(0, request.url.find("&api_key=")), Endpoint() + "Sylk42.Track.GetTrackPlayUrl");
    EXPECT_EQ(Signature(request.signingText), Signature(std::string(VELA_API_SECRET) + "ProductID123"));
}

TEST(RestSigning, ValuesArePercentEncodedInTheUrlButSignedAsTheyAre) {
    // Characters that would end the value, start a fragment or break the request line.
    RestRequestText special = BuildRestByProductId(RestMethod::GetTrackPlayUrl, L"a&b=c d#e%f+g\r\nh");
    EXPECT_EQ(special.signingText, std::string(VELA_API_SECRET) + "ProductIDa&b=c d#e%f+g\r\nh");
    EXPECT_NE(special.url.find("&ProductID=a%26b%3Dc%20d%23e%25f%2Bg%0D%0Ah&api_sig="), std::string::npos)
        << special.url;

    // Non-ASCII values go in the ANSI code page (936 here): 中 is D6 D0.
    RestRequestText chinese = BuildRestForUser(RestMethod::Login, L"\x4E2D", "u_pwd", L"p", false);
    EXPECT_EQ(chinese.signingText, std::string(VELA_API_SECRET) + "u_name\xD6\xD0u_pwdp");
    EXPECT_NE(chinese.url.find("&u_name=%D6%D0&u_pwd=p&"), std::string::npos) << chinese.url;
}

TEST(RestSigning, LongValuesAreNeitherCutNorLoseTheSignature) {
    std::wstring longId(600, L'9');
    RestRequestText request = BuildRestByProductId(RestMethod::GetTrackPlayUrl, longId);
    EXPECT_EQ(request.signingText, std::string(VELA_API_SECRET) + "ProductID" + std::string(600, '9'));
    EXPECT_NE(request.url.find("&ProductID=" + std::string(600, '9') + "&api_sig=" + Signature(request.signingText)),
              std::string::npos);
}

TEST(RestSigning, PercentEncodeKeepsOnlyUnreservedBytes) {
    EXPECT_EQ(PercentEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(PercentEncode(std::string("\x00\x7F\x80\xFF /?\"", 8)), "%00%7F%80%FF%20%2F%3F%22");
    EXPECT_EQ(PercentEncode(""), "");
}

}  // namespace
