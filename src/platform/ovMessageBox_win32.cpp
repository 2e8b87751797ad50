#include <windows.h>

#include "platform/ovMessageBox.h"

void ShowMessageBox(ovMessageBoxKind aKind, const std::u16string& aCaption, const std::u16string& aText) {
  const UINT style = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND |
                     (aKind == ovMessageBoxKind::Error ? MB_ICONERROR : MB_ICONINFORMATION);
  MessageBoxW(nullptr, reinterpret_cast<LPCWSTR>(aText.c_str()), reinterpret_cast<LPCWSTR>(aCaption.c_str()), style);
}
