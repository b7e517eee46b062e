// The one way every part of both programs hands XML text to TinyXML: files, REST and login
// replies, playlists, the download list and the updater's "app.xml" all come through here.
#pragma once

#include <string>

#include <tinyxml.h>

// Parses an XML text. TinyXML steps over a multi-byte UTF-8 character by the length its lead
// byte announces, so a text that ends inside such a character would be read past its end: the
// text is always handed over with enough zero bytes behind it. False when the text is not
// well-formed XML.
bool ParseXmlText(TiXmlDocument& document, std::string text, TiXmlEncoding encoding = TIXML_ENCODING_UTF8);
// ReadWholeFile, then ParseXmlText; false when the file cannot be read or parsed.
bool LoadXmlFile(TiXmlDocument& document, const std::wstring& path, TiXmlEncoding encoding = TIXML_ENCODING_UTF8);
