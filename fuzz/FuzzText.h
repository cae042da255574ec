#pragma once
// Random editor text for the colouring targets: UTF-16 units drawn mostly from the characters
// rules and SQL are made of, so the fuzzer reaches the interesting matches quickly.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

inline char16_t FuzzUnit(FuzzedDataProvider& in) {
    static constexpr char16_t common[] = u"SELECTfromwhe;'\"`/*-#\r\n \t$0123456789ABCDEF,.()";
    switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
        return in.ConsumeIntegral<char16_t>();
    case 1:
        return char16_t(in.ConsumeIntegralInRange(0, 127));
    default:
        return common[in.ConsumeIntegralInRange<std::size_t>(0, sizeof common / sizeof common[0] - 2)];
    }
}

inline std::u16string FuzzText(FuzzedDataProvider& in, std::size_t maxLength) {
    std::u16string s;
    const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, maxLength);
    for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i)
        s.push_back(FuzzUnit(in));
    return s;
}
