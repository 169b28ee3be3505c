// Calls by address: CallFunctionPointer runs a routine known only by its address (an export of a
// DLL mapped from memory), and ByteSetAddress / TextAddress give the addresses such calls take.
#pragma once

#include <cstdint>
#include <string>

#include "framework/byte_set.h"

// Calls `function` with ten 32-bit argument words on the stack (the arguments not given are 0) and
// gives its 32-bit result, through CallWithWords (framework/word_call.h): the routine may remove
// its arguments (__stdcall) or leave them (__cdecl); either way it may take up to ten 32-bit
// arguments. `function` must not be 0.
std::uint32_t CallFunctionPointer(std::uintptr_t function, std::uint32_t a1 = 0,
                                                     std::uint32_t a2 = 0, std::uint32_t a3 = 0,
                                                     std::uint32_t a4 = 0, std::uint32_t a5 = 0,
                                                     std::uint32_t a6 = 0, std::uint32_t a7 = 0,
                                                     std::uint32_t a8 = 0, std::uint32_t a9 = 0,
                                                     std::uint32_t a10 = 0) noexcept;

// The address of the first data byte of `bytes`; 0 for an array without storage.
std::uintptr_t ByteSetAddress(const ByteSet& bytes) noexcept;
// The address of the first character of `text`; 0 for an empty text, which has no character.
std::uintptr_t TextAddress(const std::string& text) noexcept;
