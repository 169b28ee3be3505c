// The macros that declare and define GridControl's by-name accessors of members with one 32-bit
// index (a row, a column or an item number): Get<Member>(index) reads the member at that index,
// Set<Member>(index, value) writes it and answers true when the control took the value. The index
// parameter takes the name given as I. GRID_DECLARE_INDEXED_<KIND> goes inside the class body
// (keeping the order of the operations table), GRID_DEFINE_INDEXED_<KIND> in grid_indexed.cpp.
//
// Kinds: INTEGER (int32, read truncated toward zero), BOOL, TEXT; _GET and _PUT variants have only
// the one operation.
#pragma once

#include <cstdint>
#include <string>

#include "grid/grid_accessors.h"

#define GRID_DECLARE_INDEXED_INTEGER_GET(M, I) virtual std::int32_t Get##M(std::int32_t I) noexcept;
#define GRID_DECLARE_INDEXED_INTEGER_PUT(M, I) virtual bool Set##M(std::int32_t I, std::int32_t value) noexcept;
#define GRID_DECLARE_INDEXED_INTEGER(M, I) GRID_DECLARE_INDEXED_INTEGER_GET(M, I) GRID_DECLARE_INDEXED_INTEGER_PUT(M, I)
#define GRID_DECLARE_INDEXED_BOOL_GET(M, I) virtual bool Get##M(std::int32_t I) noexcept;
#define GRID_DECLARE_INDEXED_BOOL(M, I) \
    GRID_DECLARE_INDEXED_BOOL_GET(M, I) virtual bool Set##M(std::int32_t I, bool value) noexcept;
#define GRID_DECLARE_INDEXED_TEXT(M, I) \
    virtual std::string Get##M(std::int32_t I) noexcept; \
    virtual bool Set##M(std::int32_t I, const std::string& value) noexcept;

#define GRID_DEFINE_INDEXED_INTEGER_GET(M, I) \
    std::int32_t GridControl::Get##M(std::int32_t I) noexcept \
    { \
        return TruncateToInt32(RtComGetNumber(control, #M, {ComArgument::Int32(I)})); \
    }
#define GRID_DEFINE_INDEXED_INTEGER_PUT(M, I) \
    bool GridControl::Set##M(std::int32_t I, std::int32_t value) noexcept \
    { \
        return RtComSetProperty(control, #M, {ComArgument::Int32(I)}, ComArgument::Int32(value)); \
    }
#define GRID_DEFINE_INDEXED_INTEGER(M, I) GRID_DEFINE_INDEXED_INTEGER_GET(M, I) GRID_DEFINE_INDEXED_INTEGER_PUT(M, I)
#define GRID_DEFINE_INDEXED_BOOL_GET(M, I) \
    bool GridControl::Get##M(std::int32_t I) noexcept { return RtComGetBool(control, #M, {ComArgument::Int32(I)}); }
#define GRID_DEFINE_INDEXED_BOOL(M, I) \
    GRID_DEFINE_INDEXED_BOOL_GET(M, I) \
    bool GridControl::Set##M(std::int32_t I, bool value) noexcept \
    { \
        return RtComSetProperty(control, #M, {ComArgument::Int32(I)}, ComArgument::Bool(value)); \
    }
#define GRID_DEFINE_INDEXED_TEXT(M, I) \
    std::string GridControl::Get##M(std::int32_t I) noexcept \
    { \
        return RtComGetText(control, #M, {ComArgument::Int32(I)}); \
    } \
    bool GridControl::Set##M(std::int32_t I, const std::string& value) noexcept \
    { \
        return RtComSetProperty(control, #M, {ComArgument::Int32(I)}, ComArgument::Text(value)); \
    }
