// The ActiveX host: AxObject places a control in an ATL "AtlAxWin" child window, holds it, builds
// the table of its default source events, connects itself as their sink and calls the handler
// bound to each event; it also calls the control's members by dispatch id.
//
// Holds: AxEventEntry, AxObject, the seven host operations on a host-object variable
// (NewAxObject ... CopyAxObject), the start notice AxHostNotify, ApplyBorderStyle and
// ModifyWindowStyle.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <memory>

#include "framework/runtime_service.h"
#include "framework/subprogram_pointer.h"
#include "framework/com_ref.h"
#include "activex/ax_values.h"

// One event of the control's default source interface, in the order of its type information.
struct AxEventEntry {
    DISPID dispId;
    SubprogramPointer handler;  // 0 when unbound
    std::uint32_t userValue;    // the handler's first argument
    // The event's return VARTYPE, a VT_PTR replaced by its target; VT_VOID for an event without a
    // result, whose delivery leaves the control's result VARIANT as the control passed it.
    std::uint32_t resultType;
};

// The host object; it is itself the event sink. Its reference count never frees it: its life
// belongs to the host-object variable that holds it. The one exception is a Delete from inside a
// handler that the object is running: the object is detached at once and freed only when the
// event has been delivered and whoever called it has let go of the references it took.
class AxObject final : public IDispatch {
public:
    AxObject() noexcept = default;
    // Not virtual: the sink's operation table must end with Delete, and nothing derives from it.
    ~AxObject() = default;
    AxObject(const AxObject&) = delete;
    AxObject& operator=(const AxObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) noexcept override;
    // The event call: runs the handler bound to `dispId` with the arguments as words and, for an
    // event declared with a result, fills `result` from the handler's (edx:eax, or st(0) for a
    // float, a double or a date); always S_OK.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispId, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) noexcept override;
    // Detaches the control; frees the object when bit 0 of `flags` is set (while an event is being
    // delivered, once that delivery and the caller's references are over).
    virtual void STDMETHODCALLTYPE Delete(std::uint32_t flags) noexcept;

    // Drops the connection, the event table and the control; the host window stays.
    void DetachControl() noexcept;
    // Takes `control` (one new reference), builds its event table and advises when it has a source.
    void AttachControl(IUnknown* control) noexcept;
    // Rebuilds the event table and writes the source IID; true when a source IID was found.
    bool BuildEventTable() noexcept;
    // Connects this object to the control's connection point for `iid`; true when advised.
    bool Advise(REFIID iid) noexcept;
    // Disconnects from the connection point for `iid`; the cookie is 0 afterwards.
    bool Unadvise(REFIID iid) noexcept;
    // The first entry with `dispId`, or null.
    AxEventEntry* FindEntry(DISPID dispId) noexcept;

    LONG referenceCount = 0;
    ComRef<IUnknown> control;
    DWORD cookie = 0;
    IID sourceIid = {};
    std::unique_ptr<AxEventEntry[]> eventTable;
    std::int32_t entryCount = 0;

private:
    // Frees the object when a Delete is waiting and nothing holds it any more.
    void FreeIfReleased() noexcept;
    void FillEventTable(ITypeInfo* type, const TYPEATTR& attributes) noexcept;
    void ReadSourceFromClassInfo() noexcept;
    void ReadSourceFromConnectionPoints() noexcept;

    // References others hold, counted apart from referenceCount, which detaching resets.
    LONG holds_ = 0;
    // Events being delivered right now (a handler may cause another one).
    std::int32_t deliveries_ = 0;
    bool deletePending_ = false;
};

using AxObjectVariable = AxObject*;

// Stores a new empty AxObject in `variable` (null when it cannot be allocated).
void NewAxObject(AxObjectVariable* variable) noexcept;
// Drops any control held, then makes a child window of class "AtlAxWin" with `controlText`
// (ProgID or CLSID text) at x, y, width, height of `parent`'s client area, applies
// `borderStyle`, takes the hosted control, builds its event table and advises. Gives the host
// window (the caller's parent owns it), 0 for an empty variable or a failed window.
HWND CreateControl(AxObjectVariable* variable, HWND parent, const char* controlText, int x, int y, int width,
                   int height, std::int32_t borderStyle) noexcept;
// A new COM object value with the control's IUnknown and one new reference, owned by the caller;
// its interface word is null when the variable is empty or holds no control.
ComObjectValue* GetDispatch(AxObjectVariable* variable) noexcept;
// Calls member `dispId` of the control's IDispatch. `signature` holds two characters per
// argument (passing mode "0" to "3", type letter), `arguments` the caller's argument words in
// declaration order. Gives the result converted by `resultMode` (1: a new Variant, 2: an object
// member, other: by the result's VARTYPE); 0 for an empty variable, a control without IDispatch or
// no memory for the argument lists (the control is then not called).
std::uint64_t InvokeByDispId(AxObjectVariable* variable, DISPID dispId, WORD flags, const char* signature,
                             std::int32_t resultMode, std::int32_t count, const std::uint32_t* arguments) noexcept;
// Binds `handler` and `userValue` to the first table entry with `dispId`; false for an empty
// variable, no table or an absent DISPID.
bool BindEvent(AxObjectVariable* variable, DISPID dispId, SubprogramPointer handler, std::uint32_t userValue) noexcept;
// Deletes the AxObject held by `variable` (flag 1) and sets the variable to null.
void DestroyAxObject(AxObjectVariable* variable) noexcept;
// Stores a new AxObject in `copy`; when `source` hosts a control, the copy takes one new
// reference to it, builds its own table (nothing bound) and advises as a second sink.
void CopyAxObject(AxObjectVariable* copy, AxObjectVariable* source) noexcept;

// The framework's start notice. Message 1: registers "AtlAxWin" and keeps `service` as the
// allocator of every value the host hands over; gives 0. Any other message: -1.
std::int32_t AxHostNotify(std::int32_t message, RuntimeServiceFunction service) noexcept;

// Replaces the window's edge styles by those of `borderStyle` (1 client edge, 2 modal frame,
// 3 static edge, 4 client edge and modal frame, 5 WS_BORDER, other: none).
void ApplyBorderStyle(HWND window, std::int32_t borderStyle) noexcept;
// Clears `remove` and sets `add` in the GWL_STYLE or GWL_EXSTYLE value; when the value changes,
// writes it and, for non-zero `positionFlags`, refreshes the frame with SetWindowPos. True when
// the value changed.
bool ModifyWindowStyle(HWND window, int index, DWORD remove, DWORD add, UINT positionFlags) noexcept;
