// Shared pieces of the fuzz targets: turning fuzz bytes into UTF-16 text and a private scratch
// folder for targets that must go through real files.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Any unit sequence, lone surrogates and NUL included: the parsers see such text from pages.
inline std::u16string ConsumeU16(FuzzedDataProvider& fdp, size_t maxUnits)
{
    std::string raw = fdp.ConsumeRandomLengthString(maxUnits * 2);
    std::u16string out;
    out.reserve(raw.size() / 2 + 1);
    for (size_t i = 0; i + 1 < raw.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                            (static_cast<unsigned char>(raw[i + 1]) << 8)));
    return out;
}

inline std::u16string U16FromBytes(const std::string& raw)
{
    std::u16string out;
    for (size_t i = 0; i + 1 < raw.size(); i += 2)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                            (static_cast<unsigned char>(raw[i + 1]) << 8)));
    return out;
}

// One scratch folder per process (ending in '/'), under TMPDIR or /tmp.
inline const std::string& ScratchDir()
{
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/albumora-fuzz-XXXXXX";
        if (!mkdtemp(tmpl.data()))
            std::abort();
        return tmpl + "/";
    }();
    return dir;
}

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// A failed property is a finding: abort so libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)
