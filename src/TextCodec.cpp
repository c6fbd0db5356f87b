#include "TextCodec.h"

#include <new>

namespace {

HRESULT lastError()
{
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Both directions in one shape. Most texts are short, so the first attempt goes straight into
// the inline buffer; only a text that does not fit is measured (the NUL included) and converted
// again into a heap buffer of its size.
template <class To, class Measure, class Convert>
bool convert(ConvertedText<To>& result, Measure measure, Convert convertInto, HRESULT& failure)
{
    constexpr int InlineCapacity = static_cast<int>(ConvertedText<To>::InlineUnits) + 1;
    int units = convertInto(result.reserve(ConvertedText<To>::InlineUnits), InlineCapacity);
    if (units <= 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        units = measure();
        if (units > 0 && convertInto(result.reserve(static_cast<std::size_t>(units - 1)), units) != units)
            units = 0;
    }
    if (units <= 0) {
        failure = lastError();
        result.setSize(0);
        return false;
    }
    result.setSize(static_cast<std::size_t>(units - 1));
    return true;
}

bool wide(ConvertedText<wchar_t>& result, const char* text, UINT codePage, HRESULT& failure)
{
    return convert(
        result, [&] { return MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0); },
        [&](wchar_t* out, int units) { return MultiByteToWideChar(codePage, 0, text, -1, out, units); }, failure);
}

bool narrow(ConvertedText<char>& result, const wchar_t* text, UINT codePage, HRESULT& failure)
{
    return convert(
        result, [&] { return WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr); },
        [&](char* out, int units) { return WideCharToMultiByte(codePage, 0, text, -1, out, units, nullptr, nullptr); },
        failure);
}

} // namespace

ConvertedText<wchar_t> toUtf16(const char* text, UINT codePage)
{
    ConvertedText<wchar_t> result;
    HRESULT failure = S_OK;
    if (text && !wide(result, text, codePage, failure))
        throw ConversionError(failure);
    return result;
}

ConvertedText<char> fromUtf16(const wchar_t* text, UINT codePage)
{
    ConvertedText<char> result;
    HRESULT failure = S_OK;
    if (text && !narrow(result, text, codePage, failure))
        throw ConversionError(failure);
    return result;
}

ConvertedText<wchar_t> toUtf16OrEmpty(const char* text, UINT codePage) noexcept
{
    ConvertedText<wchar_t> result;
    HRESULT failure = S_OK;
    try {
        if (text)
            wide(result, text, codePage, failure);
    } catch (const std::bad_alloc&) {
        result.setSize(0);
    }
    return result;
}

ConvertedText<char> fromUtf16OrEmpty(const wchar_t* text, UINT codePage) noexcept
{
    ConvertedText<char> result;
    HRESULT failure = S_OK;
    try {
        if (text)
            narrow(result, text, codePage, failure);
    } catch (const std::bad_alloc&) {
        result.setSize(0);
    }
    return result;
}

bool fitsCodePage(const std::wstring& text, UINT codePage) noexcept
{
    if (text.empty())
        return true;
    const int units = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    if (WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), units, nullptr, 0, nullptr, &usedDefault) > 0)
        return !usedDefault;
    // UTF-8 and UTF-7 take neither flag nor default character; they lose only invalid text.
    return WideCharToMultiByte(codePage, WC_ERR_INVALID_CHARS, text.data(), units, nullptr, 0, nullptr, nullptr) > 0;
}
