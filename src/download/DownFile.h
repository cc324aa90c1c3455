// File helpers shared by the download engine's units (not part of its public interface).
#pragma once

#include <string>
#include <string_view>

// The file-system form of a path (UTF-8).
std::string FsPath(const std::u16string& strPath);

// Writes the bytes to a temporary file in the same folder and renames it over strPath, so that
// a crash never leaves a torn file. False when the file could not be written.
bool WriteWholeFile(const std::u16string& strPath, std::string_view bytes);

// The UTF-16LE bytes of the text (2 bytes per unit).
std::string Utf16LeBytes(std::u16string_view text);

// A file-name stem cut so that stem plus a suffix of nSuffixBytes fits one 255-byte component.
std::u16string FitComponent(const std::u16string& strStem, size_t nSuffixBytes);
