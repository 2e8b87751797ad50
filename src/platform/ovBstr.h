// OLE Automation strings at the export boundary. On Windows they are the
// system's; elsewhere the library provides (and exports) its own with the same
// layout, so a host can make inputs and free outputs.
#pragma once

#include <string>

#include "OVPA_DOVAVAREZU_10.h"

// The text of a BSTR; a null BSTR is the empty text.
std::u16string BstrToText(BSTR aValue);
// A new BSTR holding aText; the empty text gives a null BSTR.
BSTR TextToBstr(const std::u16string& aText);
