// Typed readers of request elements. Each looks for a named direct child of
// an element (by name or local name, exact letter case) and converts its text,
// with one rule for absent and empty elements per type and one message shape
// for every failure: "Error in processing node <name> as <kind>." CR LF
// <reason>.
#pragma once

#include <cstdint>
#include <string>

#include "base/uOV_Currency.h"
#include "base/uOV_DateTime.h"
#include "request/uOvXmlDocument.h"

class krptUtil {
 public:
  static ovXmlElement FindChild(const ovXmlElement& aParentNode, const std::u16string& aNodeName);

  static std::u16string GetNodeValueAsString(const ovXmlElement& aParentNode, const std::u16string& aNodeName);
  static bool GetNodeValueAsBoolean(const ovXmlElement& aParentNode, const std::u16string& aNodeName,
                                    bool aDefaultValue);
  static ovCurrency GetNodeValueAsCurrency(const ovXmlElement& aParentNode, const std::u16string& aNodeName);
  static int32_t GetNodeValueAsInteger(const ovXmlElement& aParentNode, const std::u16string& aNodeName);
  static ovDateTime GetNodeValueAsDate(const ovXmlElement& aParentNode, const std::u16string& aNodeName);
  static ovDateTime GetNodeValueAsDateTime(const ovXmlElement& aParentNode, const std::u16string& aNodeName);
  static ovDateTime TryGetNodeValueAsDateTime(const ovXmlElement& aParentNode, const std::u16string& aNodeName);
  static bool HasNode(const ovXmlElement& aParentNode, const std::u16string& aNodeName);
  static std::u16string GetAttributeValueAsString(const ovXmlElement& aNode, const std::u16string& aAttrName);

  // The element's own value: the text of its only text or CDATA child, empty
  // without children; raises "Element "<name>" does not contain a single text
  // node" otherwise.
  static std::u16string ElementValue(const ovXmlElement& aNode);
};
