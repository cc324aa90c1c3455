// The album-list and download controller: the two thread procedures behind the "获取相册" and
// "下载" buttons. Each runs on its own detached thread, reads its inputs from the window through
// the working state's hooks and returns the window to idle when it ends.
#pragma once

#include <string>

class CWorkState;

// Turns the address box's text into an album list; with auto-download it then ticks every
// album and runs the download command (which starts DownAlbumFunc on a new thread).
void GetListFunc(CWorkState& st);

// Downloads the ticked albums one after the other. Started with m_byDownState = 1.
void DownAlbumFunc(CWorkState& st);

// Normalises strPath (trimmed, ends in "/") and creates every missing folder along it. On a
// folder that cannot be created, shows that folder in a message box and returns false.
bool CreateSaveDir(CWorkState& st, std::u16string& strPath);

// The profile name GetListFunc cuts out of an address.
std::u16string ProfileFromAddress(std::u16string strAddress);
