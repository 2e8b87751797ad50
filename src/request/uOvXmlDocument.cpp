#include "request/uOvXmlDocument.h"

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"

namespace {

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_comments | pugi::parse_pi |
                                   pugi::parse_declaration | pugi::parse_doctype;

// A request is a few KiB. One of megabytes is refused before it is parsed, so
// that a careless or hostile host costs neither the time nor the memory of
// its tree (several times its size).
constexpr size_t kMaxRequestLength = 1024 * 1024;

}  // namespace

std::unique_ptr<ovXmlDocument> ovXmlDocument::Parse(const std::u16string& aXml) {
  if (aXml.size() > kMaxRequestLength) {
    throw tOV_Exception(u"Request larger than " + IntToStr(int64_t(kMaxRequestLength)) + u" characters");
  }
  auto document = std::make_unique<ovXmlDocument>();
  const pugi::xml_parse_result result = document->fDocument.load_buffer(
      aXml.data(), aXml.size() * sizeof(char16_t), kParseOptions, pugi::encoding_utf16_le);
  if (!result) {
    throw tOV_Exception(u"XML parse error: " + AsciiToUtf16(result.description()) + u" at offset " +
                        IntToStr(static_cast<int64_t>(result.offset)));
  }
  int elements = 0;
  for (const auto& child : document->fDocument.children()) {
    if (child.type() == pugi::node_element) ++elements;
  }
  if (elements == 0) throw tOV_Exception(u"XML parse error: the document has no root element");
  if (elements > 1) throw tOV_Exception(u"XML parse error: the document has more than one root element");
  return document;
}

std::u16string ovXmlDocument::Text(const char* aUtf8) { return Utf8ToUtf16(aUtf8 ? aUtf8 : ""); }
