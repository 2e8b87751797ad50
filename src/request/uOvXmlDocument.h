// A parsed request document. The DOM is pugixml's; the library reads it only
// through krptUtil and the document readers.
#pragma once

#include <memory>
#include <string>

#include <pugixml.hpp>

using ovXmlElement = pugi::xml_node;

class ovXmlDocument {
 public:
  // Parses UTF-16 text (any encoding named in the XML declaration is not
  // applied: the text is already decoded). Raises tOV_Exception with the
  // parser's message when the text is not one well-formed document with a
  // root element, and "Request larger than 1048576 characters" for a text
  // over a mebi-character.
  static std::unique_ptr<ovXmlDocument> Parse(const std::u16string& aXml);

  ovXmlElement Root() const { return fDocument.document_element(); }

  // UTF-16 text of a DOM string.
  static std::u16string Text(const char* aUtf8);

 private:
  pugi::xml_document fDocument;
};
