#include "ui/win32/select_folder.h"

#include <objbase.h>
#include <shlobj.h>

#include "inventory/pglobal.h"
#include "platform/wide_text.h"

namespace win32ui {

namespace {

int CALLBACK browserReady(HWND browser, UINT msg, LPARAM, LPARAM start) {
  if (msg == BFFM_INITIALIZED && start) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

struct ItemList {
  PIDLIST_ABSOLUTE items;
  ~ItemList() { CoTaskMemFree(items); }
};

}  // namespace

bool SelectFolder(HWND owner, const std::string& Title, std::string& Folder) {
  Folder.clear();
  // The browser's new style needs the apartment model; an apartment the
  // thread has already is kept.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring title = platform::toWide(Title);
  const std::wstring start = platform::toWide(BrowseInitDir);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = &browserReady;
  info.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
  EnableWindow(owner, FALSE);
  const ItemList chosen{SHBrowseForFolderW(&info)};
  EnableWindow(owner, TRUE);
  SetActiveWindow(owner);
  bool found = false;
  if (chosen.items) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen.items, path) && path[0]) {
      Folder = platform::fromWide(path);
      found = true;
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return found;
}

}  // namespace win32ui
