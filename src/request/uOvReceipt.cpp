#include "request/uOvReceipt.h"

#include <cstring>
#include <string_view>

#include "base/uOV_Exception.h"
#include "base/uOV_Text.h"
#include "platform/ovRegional.h"

namespace {

// The part of a DOM name after its prefix; the whole name when it has none.
std::string_view LocalName(std::string_view aName) {
  const auto colon = aName.find(':');
  return colon == std::string_view::npos ? aName : aName.substr(colon + 1);
}

// Runs aRead on the element's value and wraps any failure in the reader's
// message shape.
template <typename Read>
auto Convert(const ovXmlElement& aNode, const std::u16string& aNodeName, const char16_t* aKind, Read aRead) {
  try {
    return aRead(krptUtil::ElementValue(aNode));
  } catch (const tOV_Exception& error) {
    throw tOV_Exception(u"Error in processing node " + aNodeName + u" as " + aKind + u".\r\n" + error.Message());
  }
}

bool BooleanRule(const std::u16string& aText) {
  bool isZero = false;
  if (TryReadNumber(aText, RegionalSettings().DecimalSeparator, isZero)) return !isZero;
  if (SameText(aText, u"True")) return true;
  if (SameText(aText, u"False")) return false;
  throw tOV_Exception(u"'" + aText + u"' is not a valid boolean value");
}

}  // namespace

ovXmlElement krptUtil::FindChild(const ovXmlElement& aParentNode, const std::u16string& aNodeName) {
  // Compared in the DOM's UTF-8, so a lookup converts one name, not every child's.
  const std::string wanted = Utf16ToUtf8(aNodeName);
  for (const auto& child : aParentNode.children()) {
    if (child.type() != pugi::node_element) continue;
    const std::string_view name = child.name();
    if (name == wanted || LocalName(name) == wanted) return child;
  }
  return {};
}

std::u16string krptUtil::ElementValue(const ovXmlElement& aNode) {
  const auto first = aNode.first_child();
  if (!first) return {};
  const bool single = !first.next_sibling();
  if (single && (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata)) {
    return ovXmlDocument::Text(first.value());
  }
  throw tOV_Exception(u"Element \"" + ovXmlDocument::Text(aNode.name()) + u"\" does not contain a single text node");
}

std::u16string krptUtil::GetNodeValueAsString(const ovXmlElement& aParentNode, const std::u16string& aNodeName) {
  const auto node = FindChild(aParentNode, aNodeName);
  if (!node) return {};
  return Convert(node, aNodeName, u"string", [](const std::u16string& v) { return v; });
}

bool krptUtil::GetNodeValueAsBoolean(const ovXmlElement& aParentNode, const std::u16string& aNodeName,
                                     bool aDefaultValue) {
  const auto node = FindChild(aParentNode, aNodeName);
  if (!node) return aDefaultValue;
  return Convert(node, aNodeName, u"boolean", BooleanRule);
}

ovCurrency krptUtil::GetNodeValueAsCurrency(const ovXmlElement& aParentNode, const std::u16string& aNodeName) {
  const auto node = FindChild(aParentNode, aNodeName);
  if (!node) return {};
  return Convert(node, aNodeName, u"currency", [](const std::u16string& v) {
    return v.empty() ? ovCurrency{} : TextToCurrency(v);
  });
}

int32_t krptUtil::GetNodeValueAsInteger(const ovXmlElement& aParentNode, const std::u16string& aNodeName) {
  const auto node = FindChild(aParentNode, aNodeName);
  if (!node) return 0;
  return Convert(node, aNodeName, u"integer", [](const std::u16string& v) { return v.empty() ? 0 : StrToInt(v); });
}

ovDateTime krptUtil::GetNodeValueAsDate(const ovXmlElement& aParentNode, const std::u16string& aNodeName) {
  const auto node = FindChild(aParentNode, aNodeName);
  if (!node) return 0;
  return Convert(node, aNodeName, u"date", [](const std::u16string& v) { return ISOStringToDate(v); });
}

ovDateTime krptUtil::GetNodeValueAsDateTime(const ovXmlElement& aParentNode, const std::u16string& aNodeName) {
  const auto node = FindChild(aParentNode, aNodeName);
  if (!node) return 0;
  return Convert(node, aNodeName, u"datetime", [](const std::u16string& v) { return ISOStringToDateTime(v); });
}

ovDateTime krptUtil::TryGetNodeValueAsDateTime(const ovXmlElement& aParentNode, const std::u16string& aNodeName) {
  try {
    const auto node = FindChild(aParentNode, aNodeName);
    if (!node || ElementValue(node).empty()) return 0;
    return GetNodeValueAsDateTime(aParentNode, aNodeName);
  } catch (const tOV_Exception&) {
    return 0;
  }
}

bool krptUtil::HasNode(const ovXmlElement& aParentNode, const std::u16string& aNodeName) {
  return static_cast<bool>(FindChild(aParentNode, aNodeName));
}

std::u16string krptUtil::GetAttributeValueAsString(const ovXmlElement& aNode, const std::u16string& aAttrName) {
  const std::string name = Utf16ToUtf8(aAttrName);
  for (const auto& attribute : aNode.attributes()) {
    if (std::strcmp(attribute.name(), name.c_str()) == 0) return ovXmlDocument::Text(attribute.value());
  }
  return {};
}
