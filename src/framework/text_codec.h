// The program's text conversions, each named for what it makes from what. Four forms meet here:
// GBK (code page 936), the program's own texts; the ANSI code page (CP_ACP), the texts at the COM
// boundary, which is GBK on the systems the program is made for; UTF-8, the engine's texts and
// what the user copied; UTF-16, the clipboard's, the controls' and the BSTRs' texts.
//
// Holds: kGbkCodePage, WideFromCodePage/CodePageFromWide, WideFromGbk/GbkFromWide,
// WideFromAnsi/AnsiFromWide, Utf8FromWide/WideFromUtf8, Utf8FromGbk/GbkFromUtf8, BstrFromAnsi,
// BstrFromWide, BstrFromUtf8, AnsiFromBstr.
//
// Code-page conversions use flags 0 unless told: bytes a page does not know and characters it
// lacks become the platform's substitutes ("?" in GBK), they never make a conversion fail. The
// UTF-8 conversions keep every UTF-16 unit: a lone surrogate is written as the three-byte sequence
// of its own value and read back as that unit, so that what the user copied comes back as it was.
// Bytes that are no UTF-8 read as U+FFFD, one for each.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "framework/unique_resource.h"

inline constexpr UINT kGbkCodePage = 936;

// `text` in code page `codePage` as UTF-16; "" for the empty text or when the page is unknown.
std::wstring WideFromCodePage(std::string_view text, UINT codePage);
// `text` in code page `codePage`, converted with `flags` (WideCharToMultiByte's); "" for the empty
// text or when the page is unknown.
std::string CodePageFromWide(std::wstring_view text, UINT codePage, DWORD flags = 0);

std::wstring WideFromGbk(std::string_view text);
std::string GbkFromWide(std::wstring_view text);
std::wstring WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::wstring_view text);

// Every unit of `text` as UTF-8, lone surrogates included.
std::string Utf8FromWide(std::wstring_view text);
// The UTF-16 units of UTF-8 `text`, lone surrogates included.
std::wstring WideFromUtf8(std::string_view text);
// `text` from `sourceCodePage` (GBK unless told) to UTF-8. A text of many megabytes is converted
// a slice at a time, so it never has a whole UTF-16 copy beside it.
std::string Utf8FromGbk(std::string_view text, UINT sourceCodePage = kGbkCodePage);
std::string GbkFromUtf8(std::string_view text);

// A new BSTR of the text (an empty BSTR for the empty text); null when it cannot be allocated.
UniqueBstr BstrFromAnsi(std::string_view text) noexcept;
// The same for a zero-ended text, where a null text (no text at all) gives a null BSTR.
UniqueBstr BstrFromAnsi(const char* text) noexcept;
UniqueBstr BstrFromWide(std::wstring_view text) noexcept;
// Made straight from the UTF-8 bytes: a text of many megabytes has no UTF-16 copy besides the BSTR.
UniqueBstr BstrFromUtf8(std::string_view text) noexcept;
// The ANSI form of all SysStringLen units of `text`; "" for a null BSTR.
std::string AnsiFromBstr(const BSTR text);
