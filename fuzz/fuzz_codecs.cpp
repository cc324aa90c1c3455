// The byte codecs of the program's enciphered texts: arbitrary input to every decoder, and
// encode-then-decode giving the text back wherever the text survives GBK.
#include "FuzzSupport.h"
#include "text/StringCtrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    const int mode = fdp.ConsumeIntegralInRange(0, 3);
    const int base = fdp.ConsumeIntegralInRange(-300, 300);
    const int step = fdp.ConsumeIntegralInRange(-300, 300);
    std::u16string key = ConsumeU16(fdp, 12);
    std::string rest = fdp.ConsumeRemainingBytesAsString();

    // Decoders on arbitrary text (odd lengths, non-hex digits, anything).
    std::string raw = rest;
    NibbleHexCodec(raw, false);
    std::u16string asText = FromUtf8(rest);
    XorHexCodec(asText, false, key);
    XorEscapeCodec(asText, false, key);
    ShiftCodec(asText, base, step);

    switch (mode) {
    case 0: {
        std::string enc = rest;
        NibbleHexCodec(enc, true);
        FUZZ_CHECK(enc.size() == rest.size() * 2);
        NibbleHexCodec(enc, false);
        FUZZ_CHECK(enc == rest);
        break;
    }
    case 1:
    case 2: {
        // Round trips hold for texts that GBK keeps, without NUL (decoding stops there).
        std::u16string text = U16FromBytes(rest);
        if (text.find(u'\0') != std::u16string::npos || key.find(u'\0') != std::u16string::npos)
            break;
        if (DecodeBytes(ToGbk(text), CP_GBK) != text || DecodeBytes(ToGbk(key), CP_GBK) != key)
            break;
        auto codec = mode == 1 ? XorHexCodec : XorEscapeCodec;
        std::u16string enc = codec(text, true, key);
        if (key.empty()) {
            FUZZ_CHECK(enc.empty());
            break;
        }
        std::u16string back = codec(enc, false, key);
        // XOR may produce bytes that are not valid GBK only if the original was not; the
        // original is valid here, so the text must come back whole.
        FUZZ_CHECK(back == text);
        break;
    }
    default:
        ShiftCodec(U16FromBytes(rest), base, step);
        break;
    }
    return 0;
}
