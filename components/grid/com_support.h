// The identity of the control's class and interfaces, the program's owners of what the control takes
// (BSTR, VARIANT, GDI objects, device contexts, the clipboard) and the undoing of a DC selection.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>

#include "framework/unique_resource.h"

namespace vsflex {

// {C945E31A-102E-4A0D-8854-D599D7AED5FA}: the class the host creates by ProgID.
inline constexpr CLSID kClsidGrid = {0xC945E31A, 0x102E, 0x4A0D, {0x88, 0x54, 0xD5, 0x99, 0xD7, 0xAE, 0xD5, 0xFA}};
inline constexpr IID kIidGrid = {0xEB846DD4, 0xEE79, 0x45E6, {0x88, 0xAB, 0xE2, 0x6F, 0x32, 0x09, 0x7E, 0x49}};
inline constexpr IID kIidGridEvents = {0xEA78FC04, 0xDD21, 0x4A03, {0x8A, 0x49, 0xC4, 0xC6, 0x72, 0x81, 0xB6, 0x07}};
inline constexpr GUID kLibidGrid = {0xFC8F20B7, 0xD479, 0x4B67, {0xB1, 0x8F, 0xEF, 0x88, 0x75, 0x71, 0x37, 0x34}};
inline constexpr wchar_t kProgId[] = L"VSFlexGrid8.VSFlexGridADO.1";

// QueryInterface of an object that is IUnknown and one interface, `Interface` (`interfaceId`): that
// interface, with a reference taken (AddRef), or E_NOINTERFACE with `*out` null; E_POINTER for a null
// `out`.
template <typename Interface, typename Object>
HRESULT AnswerOneInterface(Object* object, REFIID interfaceId, REFIID iid, void** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != interfaceId)
        return E_NOINTERFACE;
    *out = static_cast<Interface*>(object);
    object->AddRef();
    return S_OK;
}

// A selection of a GDI object into a DC, undone on destruction.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, old_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace vsflex
