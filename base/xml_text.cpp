#include "xml_text.h"

#include <utility>

#include "win_files.h"

bool ParseXmlText(TiXmlDocument& document, std::string text, TiXmlEncoding encoding) {
    // A lead byte announces at most four bytes; the terminator and these keep every step inside.
    text.append(4, '\0');
    document.Parse(text.c_str(), nullptr, encoding);
    return !document.Error();
}

bool LoadXmlFile(TiXmlDocument& document, const std::wstring& path, TiXmlEncoding encoding) {
    std::string text;
    return ReadWholeFile(path, text) && ParseXmlText(document, std::move(text), encoding);
}
