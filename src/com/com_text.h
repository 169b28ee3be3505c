// Texts at the automation boundary: GBK (the ANSI code page, CP_ACP) on the program's side,
// UTF-16 and BSTRs on the object's side.
#pragma once

#include <oaidl.h>

#include <string>

// The UTF-16 form of an ANSI text; empty for an empty text or one that does not convert.
std::wstring WideFromAnsi(const std::string& text);
// A new BSTR of an ANSI text (an empty BSTR for the empty text); null when it cannot allocate.
BSTR NewBstrFromAnsi(const std::string& text) noexcept;
// The ANSI form of a BSTR; the empty text for a null BSTR.
std::string AnsiFromBstr(const BSTR text);
