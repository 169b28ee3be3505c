// The macros that declare and define GridControl's plain by-name accessors, one pair per member
// and value kind: Get<Member> reads the member, Set<Member> writes it and answers true when the
// control took the value. GRID_DECLARE_<KIND> goes inside the class body (it keeps the order of the
// operations table), GRID_DEFINE_<KIND> in the source file of the operation's section.
//
// Kinds: INTEGER (int32, read truncated toward zero), SHORT (read as INTEGER, written as 16 bits),
// COLOUR (int64, the control receives the low 32 bits), BOOL, SINGLE (float both ways), DOUBLE
// (double both ways), TEXT, OBJECT (a new object value the caller frees with FreeComObjectValue),
// PICTURE (the bytes of an image file), DATA_SOURCE (a new GridDataSource the caller destroys and
// deletes; written as an object value); _GET and _PUT variants have only the one operation.
#pragma once

#include <cstdint>
#include <string>

#include "framework/byte_set.h"
#include "com/com_dispatch.h"
#include "com/com_picture.h"

class GridDataSource;

#define GRID_DECLARE_INTEGER_GET(M) virtual std::int32_t Get##M() noexcept;
#define GRID_DECLARE_INTEGER_PUT(M) virtual bool Set##M(std::int32_t value) noexcept;
#define GRID_DECLARE_INTEGER(M) GRID_DECLARE_INTEGER_GET(M) GRID_DECLARE_INTEGER_PUT(M)
#define GRID_DECLARE_SHORT(M) GRID_DECLARE_INTEGER_GET(M) virtual bool Set##M(std::int16_t value) noexcept;
#define GRID_DECLARE_COLOUR(M) virtual std::int64_t Get##M() noexcept; virtual bool Set##M(std::int64_t value) noexcept;
#define GRID_DECLARE_BOOL_GET(M) virtual bool Get##M() noexcept;
#define GRID_DECLARE_BOOL(M) GRID_DECLARE_BOOL_GET(M) virtual bool Set##M(bool value) noexcept;
#define GRID_DECLARE_SINGLE(M) virtual float Get##M() noexcept; virtual bool Set##M(float value) noexcept;
#define GRID_DECLARE_DOUBLE_GET(M) virtual double Get##M() noexcept;
#define GRID_DECLARE_DOUBLE(M) GRID_DECLARE_DOUBLE_GET(M) virtual bool Set##M(double value) noexcept;
#define GRID_DECLARE_TEXT(M) virtual std::string Get##M() noexcept; virtual bool Set##M(const std::string& value) noexcept;
#define GRID_DECLARE_OBJECT(M) \
    virtual ComObjectValue* Get##M() noexcept; virtual bool Set##M(const ComObjectValue* value) noexcept;
#define GRID_DECLARE_DATA_SOURCE(M) \
    virtual GridDataSource* Get##M() noexcept; virtual bool Set##M(const ComObjectValue* value) noexcept;
#define GRID_DECLARE_PICTURE_GET(M) virtual ByteSet Get##M() noexcept;
#define GRID_DECLARE_PICTURE(M) GRID_DECLARE_PICTURE_GET(M) virtual bool Set##M(const ByteSet& value) noexcept;

// An X-macro entry (kind, member) to its declarations or definitions.
#define GRID_DECLARE_PROPERTY(KIND, M) GRID_DECLARE_##KIND(M)
#define GRID_DEFINE_PROPERTY(KIND, M) GRID_DEFINE_##KIND(M)

// The number read, truncated toward zero to 64 bits (-2.7 gives -2); 0 for a NaN, the nearest
// bound for a number beyond 64 bits.
std::int64_t TruncateNumber(double number) noexcept;
// The low 32 bits of the truncated number, as the integer reads hand them back.
std::int32_t TruncateToInt32(double number) noexcept;
// Reads a picture member as an object and saves it as image bytes; empty bytes on any failure.
ByteSet ReadPictureProperty(const ComObjectValue* control, const char* member, ComArguments indexes = {}) noexcept;
// Makes a picture object from `bytes` (an empty picture when they decode to none) and writes it
// to the member; the write's success flag.
bool WritePictureProperty(const ComObjectValue* control, const char* member, const ByteSet& bytes) noexcept;
// Reads an object member into a new GridDataSource (holding an empty value when the read fails).
GridDataSource* ReadDataSourceProperty(const ComObjectValue* control, const char* member) noexcept;

#define GRID_DEFINE_INTEGER_GET(M) \
    std::int32_t GridControl::Get##M() noexcept { return TruncateToInt32(RtComGetNumber(control, #M)); }
#define GRID_DEFINE_INTEGER_PUT(M) \
    bool GridControl::Set##M(std::int32_t value) noexcept { return RtComSetProperty(control, #M, ComArgument::Int32(value)); }
#define GRID_DEFINE_INTEGER(M) GRID_DEFINE_INTEGER_GET(M) GRID_DEFINE_INTEGER_PUT(M)
#define GRID_DEFINE_SHORT(M) GRID_DEFINE_INTEGER_GET(M) \
    bool GridControl::Set##M(std::int16_t value) noexcept { return RtComSetProperty(control, #M, ComArgument::Int16(value)); }
#define GRID_DEFINE_COLOUR(M) \
    std::int64_t GridControl::Get##M() noexcept { return TruncateNumber(RtComGetNumber(control, #M)); } \
    bool GridControl::Set##M(std::int64_t value) noexcept { return RtComSetProperty(control, #M, ComArgument::Int64(value)); }
#define GRID_DEFINE_BOOL_GET(M) \
    bool GridControl::Get##M() noexcept { return RtComGetBool(control, #M); }
#define GRID_DEFINE_BOOL(M) GRID_DEFINE_BOOL_GET(M) \
    bool GridControl::Set##M(bool value) noexcept { return RtComSetProperty(control, #M, ComArgument::Bool(value)); }
#define GRID_DEFINE_SINGLE(M) \
    float GridControl::Get##M() noexcept { return static_cast<float>(RtComGetNumber(control, #M)); } \
    bool GridControl::Set##M(float value) noexcept { return RtComSetProperty(control, #M, ComArgument::Float(value)); }
#define GRID_DEFINE_DOUBLE_GET(M) \
    double GridControl::Get##M() noexcept { return RtComGetNumber(control, #M); }
#define GRID_DEFINE_DOUBLE(M) GRID_DEFINE_DOUBLE_GET(M) \
    bool GridControl::Set##M(double value) noexcept { return RtComSetProperty(control, #M, ComArgument::Double(value)); }
#define GRID_DEFINE_TEXT(M) \
    std::string GridControl::Get##M() noexcept { return RtComGetText(control, #M); } \
    bool GridControl::Set##M(const std::string& value) noexcept { return RtComSetProperty(control, #M, ComArgument::Text(value)); }
#define GRID_DEFINE_OBJECT(M) \
    ComObjectValue* GridControl::Get##M() noexcept { return RtComGetObject(control, #M); } \
    bool GridControl::Set##M(const ComObjectValue* value) noexcept { return RtComSetProperty(control, #M, ComArgument::Object(value)); }
#define GRID_DEFINE_PICTURE_GET(M) \
    ByteSet GridControl::Get##M() noexcept { return ReadPictureProperty(control, #M); }
#define GRID_DEFINE_PICTURE(M) GRID_DEFINE_PICTURE_GET(M) \
    bool GridControl::Set##M(const ByteSet& value) noexcept { return WritePictureProperty(control, #M, value); }
#define GRID_DEFINE_DATA_SOURCE(M) \
    GridDataSource* GridControl::Get##M() noexcept { return ReadDataSourceProperty(control, #M); } \
    bool GridControl::Set##M(const ComObjectValue* value) noexcept { return RtComSetProperty(control, #M, ComArgument::Object(value)); }
