// A fresh folder under the system temporary folder, removed with everything in it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "text/StringCtrl.h"

class TempDir {
  public:
    TempDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "albumora-core-XXXXXX").string();
        if (::mkdtemp(tmpl.data()))
            m_path = tmpl;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::filesystem::path& Path() const { return m_path; }
    // The settings-folder form the store takes: UTF-16, ending in '/'.
    std::u16string AppDir() const { return FromUtf8(m_path.string() + "/"); }
    std::filesystem::path File(const std::u16string& name) const { return m_path / ToUtf8(name); }

    void Write(const std::u16string& name, const std::string& bytes) const
    {
        std::ofstream(File(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::u16string& name) const
    {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::filesystem::path m_path;
};
