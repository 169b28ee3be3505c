// GridObject::Invoke: binds a call to its member through the type library (kind, parameter types,
// optional and by-reference parameters), coerces the arguments to the declared types, and runs the member.
// Members with a meaning in this grid act on the model; every other member keeps what was put and hands
// it back, or does nothing and succeeds.
#include "grid_object.h"

#include "grid_dispids.h"
#include "grid_window.h"

#include "framework/exception_boundary.h"

#include <cwchar>

namespace vsflex {
namespace {

// One call after binding: the arguments in declaration order, coerced; by-reference outputs point back
// into the caller's variables.
struct Call {
    DISPID id = 0;
    INVOKEKIND kind = INVOKE_FUNC;
    std::vector<UniqueVariant> args; // declared parameters (without a put's value)
    std::vector<LONG*> outputs;      // per parameter: the caller's long for a by-reference long, else null
    UniqueVariant value;             // a put's value
    VARTYPE resultType = VT_EMPTY;   // declared result type (VT_EMPTY for void)
    VARIANT* result = nullptr;
    // The put's text is the caller's own BSTR, read in place: a copy of a cell of megabytes would
    // only add to the peak. It is let go, not freed, when the call ends.
    bool valueBorrowed = false;

    Call() = default;
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    ~Call()
    {
        if (valueBorrowed)
            value.release();
    }

    bool Given(std::size_t i) const noexcept
    {
        return i < args.size() && !(args[i].get().vt == VT_ERROR && args[i].get().scode == DISP_E_PARAMNOTFOUND) &&
               args[i].get().vt != VT_EMPTY;
    }
    LONG Long(std::size_t i, LONG fallback = 0) const noexcept
    {
        if (!Given(i))
            return fallback;
        UniqueVariant v;
        if (FAILED(VariantChangeType(v.put(), const_cast<VARIANT*>(args[i].addressof()), 0, VT_I4)))
            return fallback;
        return v.get().lVal;
    }
};

// The declared type of a parameter or result: basic types are coerced to; interfaces and VARIANTs are not.
VARTYPE CoercedType(const TYPEDESC& type, bool* byRef) noexcept
{
    *byRef = false;
    const TYPEDESC* t = &type;
    if (t->vt == VT_PTR && t->lptdesc->vt != VT_USERDEFINED && t->lptdesc->vt != VT_PTR) {
        *byRef = true;
        t = t->lptdesc;
    }
    switch (t->vt) {
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BOOL: case VT_BSTR: case VT_UI4: case VT_UI1:
        return t->vt;
    default:
        return VT_EMPTY;  // VARIANT, interface or anything else: passed as given
    }
}

// The value a property that was never put reads as: the empty value of its declared type.
HRESULT EmptyOf(VARTYPE type, VARIANT* out) noexcept
{
    VariantInit(out);
    if (type == VT_EMPTY)
        return S_OK;
    if (type == VT_DISPATCH || type == VT_UNKNOWN) {
        out->vt = type;
        out->punkVal = nullptr;
        return S_OK;
    }
    if (type == VT_BSTR) {
        out->vt = VT_BSTR;
        out->bstrVal = SysAllocString(L"");
        return out->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    // A number owns nothing: it needs no owner.
    VARIANT zero{};
    zero.vt = VT_I4;
    zero.lVal = 0;
    return VariantChangeType(out, &zero, 0, type);
}

HRESULT SetLong(VARIANT* out, LONG v) noexcept
{
    if (out) {
        VariantInit(out);
        out->vt = VT_I4;
        out->lVal = v;
    }
    return S_OK;
}

HRESULT SetBool(VARIANT* out, bool v) noexcept
{
    if (out) {
        VariantInit(out);
        out->vt = VT_BOOL;
        out->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
}

HRESULT SetText(VARIANT* out, const std::wstring& text) noexcept
{
    if (out) {
        VariantInit(out);
        out->vt = VT_BSTR;
        out->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
        if (!out->bstrVal)
            return E_OUTOFMEMORY;
    }
    return S_OK;
}

// A cell's text straight from the BSTR it was put as: no UTF-16 copy of a text of megabytes.
HRESULT SetText(VARIANT* out, const StoredText& text) noexcept
{
    if (out) {
        VariantInit(out);
        out->vt = VT_BSTR;
        out->bstrVal = SysAllocStringLen(nullptr, UINT(text.Units()));
        if (!out->bstrVal)
            return E_OUTOFMEMORY;
        text.CopyTo(out->bstrVal);
    }
    return S_OK;
}

LONG ValueLong(const Call& call) noexcept
{
    UniqueVariant v;
    if (FAILED(VariantChangeType(v.put(), const_cast<VARIANT*>(call.value.addressof()), 0, VT_I4)))
        return 0;
    return v.get().lVal;
}

bool ValueBool(const Call& call) noexcept
{
    UniqueVariant v;
    if (FAILED(VariantChangeType(v.put(), const_cast<VARIANT*>(call.value.addressof()), 0, VT_BOOL)))
        return false;
    return v.get().boolVal != VARIANT_FALSE;
}

std::wstring ValueText(const VARIANT* value)
{
    // A text is taken as it stands: a converted copy of a cell of megabytes would only add to the peak.
    if (value->vt == VT_BSTR)
        return value->bstrVal ? std::wstring(value->bstrVal, SysStringLen(value->bstrVal)) : std::wstring();
    UniqueVariant v;
    if (FAILED(VariantChangeType(v.put(), const_cast<VARIANT*>(value), 0, VT_BSTR)) || !v.get().bstrVal)
        return {};
    return std::wstring(v.get().bstrVal, SysStringLen(v.get().bstrVal));
}

StoredText ValueStoredText(const VARIANT* value)
{
    if (value->vt == VT_BSTR)
        return value->bstrVal ? StoredText(value->bstrVal, SysStringLen(value->bstrVal)) : StoredText();
    return StoredText(ValueText(value));
}

// The key a stored member keeps its value under: the index arguments as text.
std::wstring IndexKey(const Call& call)
{
    std::wstring key;
    for (const auto& arg : call.args) {
        key += ValueText(arg.addressof());
        key += L'\x1f';
    }
    return key;
}

class Members {
public:
    Members(GridObject& grid, Call& call) noexcept : grid_(grid), m_(grid.model), call_(call) {}

    HRESULT Run()
    {
        const bool get = call_.kind == INVOKE_PROPERTYGET;
        const bool put = call_.kind == INVOKE_PROPERTYPUT || call_.kind == INVOKE_PROPERTYPUTREF;
        switch (call_.id) {
        case kMemberRows: return Integer(get, put, m_.rows(), [&](LONG v) { m_.SetRows(v); });
        case kMemberCols: return Integer(get, put, m_.cols(), [&](LONG v) { m_.SetCols(v); });
        case kMemberFixedRows: return Integer(get, put, m_.fixedRows, [&](LONG v) { m_.fixedRows = v; m_.ClampPositions(); });
        case kMemberFixedCols: return Integer(get, put, m_.fixedCols, [&](LONG v) { m_.fixedCols = v; m_.ClampPositions(); });
        case kMemberRow: return Position(put, m_.row_, m_.rows(), [&](LONG v) { GridWindow::MoveTo(grid_, v, m_.col_, v, m_.col_, false); });
        case kMemberCol: return Position(put, m_.col_, m_.cols(), [&](LONG v) { GridWindow::MoveTo(grid_, m_.row_, v, m_.row_, v, false); });
        case kMemberRowSel: return Position(put, m_.rowSel_, m_.rows(), [&](LONG v) { GridWindow::MoveTo(grid_, m_.row_, m_.col_, v, m_.colSel_, false); });
        case kMemberColSel: return Position(put, m_.colSel_, m_.cols(), [&](LONG v) { GridWindow::MoveTo(grid_, m_.row_, m_.col_, m_.rowSel_, v, false); });
        case kMemberTopRow: return Integer(get, put, m_.topRow, [&](LONG v) { m_.topRow = v; m_.ClampPositions(); });
        case kMemberLeftCol: return Integer(get, put, m_.leftCol, [&](LONG v) { m_.leftCol = v; m_.ClampPositions(); });
        case kMemberMouseRow: return SetLong(call_.result, m_.mouseRow);
        case kMemberMouseCol: return SetLong(call_.result, m_.mouseCol);
        case kMemberEditable: return Integer(get, put, m_.editable, [&](LONG v) { m_.editable = v; });
        case kMemberFlags: return Integer(get, put, m_.flags, [&](LONG v) { m_.flags = v; });
        case kMemberGridLines: return Integer(get, put, m_.gridLines, [&](LONG v) { m_.gridLines = v; });
        case kMemberGridLinesFixed: return Integer(get, put, m_.gridLinesFixed, [&](LONG v) { m_.gridLinesFixed = v; });
        case kMemberScrollBars: return Integer(get, put, m_.scrollBars, [&](LONG v) { m_.scrollBars = v; });
        case kMemberHighLight: return Integer(get, put, m_.highLight, [&](LONG v) { m_.highLight = v; });
        case kMemberFocusRect: return Integer(get, put, m_.focusRect, [&](LONG v) { m_.focusRect = v; });
        case kMemberBackColor: return Colour(get, m_.backColor);
        case kMemberForeColor: return Colour(get, m_.foreColor);
        case kMemberBackColorFixed: return Colour(get, m_.backColorFixed);
        case kMemberForeColorFixed: return Colour(get, m_.foreColorFixed);
        case kMemberBackColorSel: return Colour(get, m_.backColorSel);
        case kMemberForeColorSel: return Colour(get, m_.foreColorSel);
        case kMemberBackColorBkg: return Colour(get, m_.backColorBkg);
        case kMemberGridColor: return Colour(get, m_.gridColor);
        case kMemberGridColorFixed: return Colour(get, m_.gridColorFixed);
        case kMemberWordWrap: return Boolean(get, m_.wordWrap);
        case kMemberExtendLastCol: return Boolean(get, m_.extendLastCol);
        case kMemberRedraw: return Integer(get, put, m_.redraw ? 1 : 0, [&](LONG v) { m_.redraw = v != 0; });
        case kMemberFontBold: return Boolean(get, m_.fontBold);
        case kMemberFontItalic: return Boolean(get, m_.fontItalic);
        case kMemberFontUnderline: return Boolean(get, m_.fontUnderline);
        case kMemberFontStrikethru: return Boolean(get, m_.fontStrikethru);
        case kMemberFontName: return Text(get, m_.fontName);
        case kMemberFontSize: return FontSize(get);
        case kMemberHWnd: return SetLong(call_.result, LONG(reinterpret_cast<INT_PTR>(grid_.window_)));
        case kMemberEditWindow: return SetLong(call_.result, LONG(reinterpret_cast<INT_PTR>(GridWindow::EditWindow(grid_))));
        case kMemberClientWidth: return ClientSize(true);
        case kMemberClientHeight: return ClientSize(false);
        case kMemberText: return CellText(get, m_.row_, m_.col_);
        case kMemberTextMatrix: return CellText(get, call_.Long(0), call_.Long(1));
        case kMemberTextArray: return m_.cols() ? CellText(get, call_.Long(0) / m_.cols(), call_.Long(0) % m_.cols()) : E_INVALIDARG;
        case kMemberRowHeight: return LineSize(get, Axis::Rows);
        case kMemberColWidth: return LineSize(get, Axis::Cols);
        case kMemberColHidden: return LineHidden(get, Axis::Cols);
        case kMemberRowHidden: return LineHidden(get, Axis::Rows);
        case kMemberCellPicture: return CellPicture(get);
        case kMemberAddItem: return AddItem();
        case kMemberRemoveItem: return RemoveItem();
        case kMemberSelect: return Select();
        case kMemberShowCell: GridWindow::ShowCell(grid_, call_.Long(0), call_.Long(1)); return S_OK;
        case kMemberGetSelection: return GetSelection();
        case kMemberGetMergedRange: return GetMergedRange();
        case kMemberCopy: return GridWindow::CopySelection(grid_) ? S_OK : E_FAIL;
        case kMemberEditCell: GridWindow::StartEdit(grid_); return S_OK;
        case kMemberFinishEditing: GridWindow::FinishEdit(grid_, !(call_.Given(0) && call_.Long(0))); return S_OK;
        case kMemberRefresh: GridWindow::Refresh(grid_); return S_OK;
        case kMemberBottomRow: return SetLong(call_.result, m_.rows() - 1);
        case kMemberRightCol: return SetLong(call_.result, m_.cols() - 1);
        default: return Stored(get, put);
        }
    }

private:
    // Every member without a meaning in this grid: a get returns what the last put with the same indexes
    // stored (or the empty value of the declared type), a put stores, a method does nothing.
    HRESULT Stored(bool get, bool put)
    {
        if (put) {
            UniqueVariant copy;
            VariantCopy(copy.put(), call_.value.addressof());
            grid_.stored[{call_.id, IndexKey(call_)}] = std::move(copy);
            return S_OK;
        }
        if (!get || !call_.result)
            return call_.result ? EmptyOf(call_.resultType, call_.result) : S_OK;
        auto found = grid_.stored.find({call_.id, IndexKey(call_)});
        if (found == grid_.stored.end())
            return EmptyOf(call_.resultType, call_.result);
        return VariantCopy(call_.result, found->second.addressof());
    }

    template <typename Setter>
    HRESULT Integer(bool get, bool put, LONG current, Setter set)
    {
        if (put) {
            set(ValueLong(call_));
            GridWindow::Refresh(grid_);
            return S_OK;
        }
        return SetLong(call_.result, current);
    }

    // The current row or column: a put outside the grid fails and keeps the current cell.
    template <typename Setter>
    HRESULT Position(bool put, LONG current, LONG count, Setter set)
    {
        if (put && (ValueLong(call_) < 0 || ValueLong(call_) >= count))
            return DISP_E_BADINDEX;
        return Integer(false, put, current, set);
    }

    HRESULT Colour(bool get, OLE_COLOR& field)
    {
        if (!get) {
            field = OLE_COLOR(ValueLong(call_));
            GridWindow::Refresh(grid_);
            return S_OK;
        }
        return SetLong(call_.result, LONG(field));
    }

    HRESULT Boolean(bool get, bool& field)
    {
        if (!get) {
            field = ValueBool(call_);
            GridWindow::Refresh(grid_);
            return S_OK;
        }
        return SetBool(call_.result, field);
    }

    HRESULT Text(bool get, std::wstring& field)
    {
        if (!get) {
            field = ValueText(call_.value.addressof());
            GridWindow::Refresh(grid_);
            return S_OK;
        }
        return SetText(call_.result, field);
    }

    HRESULT FontSize(bool get)
    {
        if (!get) {
            UniqueVariant v;
            if (FAILED(VariantChangeType(v.put(), call_.value.addressof(), 0, VT_R8)) || v.get().dblVal <= 0)
                return DISP_E_OVERFLOW;
            m_.fontSize = v.get().dblVal;
            GridWindow::Refresh(grid_);
            return S_OK;
        }
        VariantInit(call_.result);
        call_.result->vt = VT_R8;
        call_.result->dblVal = m_.fontSize;
        return S_OK;
    }

    HRESULT ClientSize(bool width)
    {
        RECT client{};
        if (grid_.window_)
            GetClientRect(grid_.window_, &client);
        return SetLong(call_.result, (width ? client.right : client.bottom) * 15);
    }

    HRESULT CellText(bool get, LONG row, LONG col)
    {
        GridCell* cell = m_.cell(row, col);
        if (!cell)
            return DISP_E_BADINDEX;
        if (!get) {
            cell->text = ValueStoredText(call_.value.addressof());
            GridWindow::Refresh(grid_);
            return S_OK;
        }
        return SetText(call_.result, cell->text);
    }

    // RowHeight and ColWidth: the size of the line that the index names; a put to line -1 sets the
    // size every line takes.
    HRESULT LineSize(bool get, Axis axis)
    {
        const LONG line = call_.Long(0);
        if (!get && line == -1) {
            m_.SetDefaultLineSize(axis, ValueLong(call_));
            GridWindow::Refresh(grid_);
            return S_OK;
        }
        if (line < 0 || line >= m_.Lines(axis))
            return DISP_E_BADINDEX;
        if (get)
            return SetLong(call_.result, m_.LineSize(axis, line));
        m_.SetLineSize(axis, line, ValueLong(call_));
        GridWindow::Refresh(grid_);
        return S_OK;
    }

    // RowHidden and ColHidden.
    HRESULT LineHidden(bool get, Axis axis)
    {
        const LONG line = call_.Long(0);
        if (line < 0 || line >= m_.Lines(axis))
            return DISP_E_BADINDEX;
        if (get)
            return SetBool(call_.result, m_.LineHidden(axis, line));
        m_.SetLineHidden(axis, line, ValueBool(call_));
        GridWindow::Refresh(grid_);
        return S_OK;
    }

    // The picture of the current cell: kept compressed, handed back as a new picture object.
    HRESULT CellPicture(bool get)
    {
        GridCell* cell = m_.cell(m_.row_, m_.col_);
        if (!cell)
            return DISP_E_BADINDEX;
        if (get) {
            VariantInit(call_.result);
            call_.result->vt = VT_DISPATCH;
            call_.result->pdispVal = cell->picture ? cell->picture->CreatePictureObject() : nullptr;
            return S_OK;
        }
        const VARIANT* value = call_.value.addressof();
        IUnknown* object = (value->vt == VT_DISPATCH || value->vt == VT_UNKNOWN) ? value->punkVal : nullptr;
        std::shared_ptr<const StoredPicture> stored;
        HRESULT hr = StoredPicture::FromPicture(object, CellPictureBox(), stored);
        if (FAILED(hr))
            return hr;  // the cell keeps the picture it had
        cell->picture = std::move(stored);
        GridWindow::Refresh(grid_);
        return S_OK;
    }

    // The size in pixels a picture of the current cell is shown at (bounded: cells can be huge).
    SIZE CellPictureBox() const noexcept
    {
        auto pixels = [](int twips, int border) { return std::clamp((twips + 7) / 15 - border, 8, 512); };
        return SIZE{pixels(m_.ColWidth(m_.col_), 4), pixels(m_.RowHeight(m_.row_), 2)};
    }

    // A missing Row appends; otherwise the new row goes in at that place and later rows move down.
    HRESULT AddItem()
    {
        LONG row = call_.Long(1, m_.rows());
        if (row < 0 || row > m_.rows())
            return DISP_E_BADINDEX;
        m_.InsertRow(row, ValueText(call_.args[0].addressof()));
        m_.ClampPositions();
        GridWindow::Refresh(grid_);
        return S_OK;
    }

    HRESULT RemoveItem()
    {
        if (!m_.RemoveRow(call_.Long(0, -1)))
            return DISP_E_BADINDEX;
        GridWindow::Refresh(grid_);
        return S_OK;
    }

    HRESULT Select()
    {
        LONG row = call_.Long(0), col = call_.Long(1);
        if (!m_.ValidCell(row, col))
            return DISP_E_BADINDEX;
        GridWindow::MoveTo(grid_, row, col, call_.Long(2, row), call_.Long(3, col), false);
        return S_OK;
    }

    void Output(std::size_t i, LONG value) noexcept
    {
        if (i < call_.outputs.size() && call_.outputs[i])
            *call_.outputs[i] = value;
    }

    HRESULT GetSelection()
    {
        Output(0, m_.SelTop());
        Output(1, m_.SelLeft());
        Output(2, m_.SelBottom());
        Output(3, m_.SelRight());
        return S_OK;
    }

    // This grid merges no cells, so a cell's merged range is the cell itself.
    HRESULT GetMergedRange()
    {
        LONG row = call_.Long(0), col = call_.Long(1);
        Output(2, row);
        Output(3, col);
        Output(4, row);
        Output(5, col);
        return S_OK;
    }

    GridObject& grid_;
    GridModel& m_;
    Call& call_;
};

// Finds the function description for an id among the kinds the caller allows, in the order the flags prefer.
// A put of an object property that declares only one of put and put-by-reference takes the other; a member
// that declares neither is not found.
bool FindFunction(ITypeInfo* info, DISPID id, WORD flags, FUNCDESC** found) noexcept
{
    ITypeInfo2* indexed = nullptr;
    if (FAILED(info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&indexed))))
        return false;
    const INVOKEKIND order[] = {INVOKE_FUNC, INVOKE_PROPERTYGET, INVOKE_PROPERTYPUT, INVOKE_PROPERTYPUTREF};
    WORD wanted = flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    if (wanted & DISPATCH_PROPERTYPUT)
        wanted |= DISPATCH_PROPERTYPUTREF;
    else if (wanted & DISPATCH_PROPERTYPUTREF)
        wanted |= DISPATCH_PROPERTYPUT;
    // The kinds the caller named come before the one a put borrows.
    const WORD passes[] = {WORD(flags), wanted};
    bool done = false;
    for (WORD pass : passes) {
        for (int k = 0; k < 4 && !done; ++k) {
            UINT index = 0;
            if ((pass & order[k]) && SUCCEEDED(indexed->GetFuncIndexOfMemId(id, order[k], &index)))
                done = SUCCEEDED(info->GetFuncDesc(index, found));
        }
    }
    indexed->Release();
    return done;
}

bool IsObjectType(const TYPEDESC& type) noexcept
{
    return type.vt == VT_DISPATCH || type.vt == VT_UNKNOWN ||
           (type.vt == VT_PTR && type.lptdesc && type.lptdesc->vt == VT_USERDEFINED);
}

// Coerces one argument to its declared type. A parameter declared as an object takes only an object
// (a null one included): a number kept there would later be handed out as an interface pointer.
HRESULT Coerce(const TYPEDESC& declared, VARIANT* source, VARIANT* target) noexcept
{
    bool byRef = false;
    const VARTYPE type = CoercedType(declared, &byRef);
    if (type != VT_EMPTY)
        return VariantChangeType(target, source, 0, type);
    UniqueVariant copy;
    HRESULT hr = VariantCopyInd(copy.put(), source);
    if (FAILED(hr))
        return hr;
    if (IsObjectType(declared) && copy.get().vt != VT_DISPATCH && copy.get().vt != VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    ReplaceVariant(*target, std::move(copy));
    return hr;
}

// An optional argument the caller left out, as automation marks one.
UniqueVariant MissingArgument() noexcept
{
    VARIANT missing{};
    missing.vt = VT_ERROR;
    missing.scode = DISP_E_PARAMNOTFOUND;
    return UniqueVariant(missing);
}

// Fills call.args/outputs/value from the caller's parameters as the description declares them.
HRESULT BindArguments(const FUNCDESC& desc, DISPPARAMS& params, Call& call, UINT* argError)
{
    const bool put = desc.invkind == INVOKE_PROPERTYPUT || desc.invkind == INVOKE_PROPERTYPUTREF;
    const UINT named = params.cNamedArgs;
    if (put && params.cArgs == 0)
        return DISP_E_PARAMNOTOPTIONAL;  // the value to put is missing
    if (put && (named != 1 || !params.rgdispidNamedArgs || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
        return DISP_E_PARAMNOTOPTIONAL;
    if (!put && named)
        return DISP_E_NONAMEDARGS;
    if (named > params.cArgs)
        return DISP_E_BADPARAMCOUNT;
    if (params.cArgs && !params.rgvarg)
        return E_POINTER;
    const UINT positional = params.cArgs - named;
    const UINT declared = UINT(desc.cParams) - (put ? 1 : 0);
    if (positional > declared)
        return DISP_E_BADPARAMCOUNT;
    // A missing argument is the first thing wrong with such a call: it is reported before any given one is coerced.
    for (UINT i = positional; i < declared; ++i) {
        const ELEMDESC& element = desc.lprgelemdescParam[i];
        if (!(element.paramdesc.wParamFlags & PARAMFLAG_FOPT) && element.tdesc.vt != VT_VARIANT)
            return DISP_E_PARAMNOTOPTIONAL;
    }
    call.args.resize(declared);
    call.outputs.assign(declared, nullptr);
    for (UINT i = 0; i < declared; ++i) {
        const ELEMDESC& element = desc.lprgelemdescParam[i];
        if (i >= positional) {
            call.args[i] = MissingArgument();
            continue;
        }
        VARIANT* source = &params.rgvarg[params.cArgs - 1 - i];
        bool byRef = false;
        VARTYPE type = CoercedType(element.tdesc, &byRef);
        if (byRef && type == VT_I4 && source->vt == (VT_I4 | VT_BYREF))
            call.outputs[i] = source->plVal;
        if (FAILED(Coerce(element.tdesc, source, call.args[i].put()))) {
            if (argError)
                *argError = params.cArgs - 1 - i;
            return DISP_E_TYPEMISMATCH;
        }
    }
    if (put) {
        const TYPEDESC& valueType = desc.lprgelemdescParam[declared].tdesc;
        bool byRef = false;
        const VARTYPE type = CoercedType(valueType, &byRef);
        VARIANT* source = &params.rgvarg[0];
        if (source->vt == VT_BSTR && (type == VT_BSTR || (type == VT_EMPTY && !IsObjectType(valueType)))) {
            call.value.reset(*source);
            call.valueBorrowed = true;
            return S_OK;
        }
        if (FAILED(Coerce(valueType, source, call.value.put()))) {
            if (argError)
                *argError = 0;
            return DISP_E_TYPEMISMATCH;
        }
    }
    return S_OK;
}

// A member that failed on its own terms (an index outside the grid, a clipboard that would not open) is
// reported as an automation exception, so that the caller gets a text and the member's own code.
HRESULT ExceptionAnswer(HRESULT hr, EXCEPINFO* exception) noexcept
{
    if (!exception)
        return DISP_E_EXCEPTION;
    *exception = EXCEPINFO{};
    exception->bstrSource = SysAllocString(L"VSFlexGrid");
    exception->bstrDescription = SysAllocString(hr == DISP_E_BADINDEX || hr == E_INVALIDARG
                                                    ? L"Subscript out of range"
                                                    : L"The grid could not carry out the call");
    exception->scode = hr;
    return DISP_E_EXCEPTION;
}

}  // namespace

STDMETHODIMP GridObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT* argError) noexcept
{
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params)
        params = &none;
    FUNCDESC* desc = nullptr;
    if (!FindFunction(gridInfo_, id, flags, &desc))
        return DISP_E_MEMBERNOTFOUND;
    AddRef();  // a member may fire events whose sinks release the control
    const HRESULT hr = NoThrowHr([&]() -> HRESULT {
        Call call;
        call.id = id;
        call.kind = desc->invkind;
        bool byRef = false;
        call.resultType = desc->elemdescFunc.tdesc.vt == VT_VOID ? VARTYPE(VT_EMPTY) : CoercedType(desc->elemdescFunc.tdesc, &byRef);
        if (desc->elemdescFunc.tdesc.vt == VT_PTR)
            call.resultType = VT_DISPATCH;
        UniqueVariant own;
        call.result = result ? result : own.put();
        VariantInit(call.result);
        HRESULT hr = BindArguments(*desc, *params, call, argError);
        if (SUCCEEDED(hr))
            hr = Members(*this, call).Run();
        if (SUCCEEDED(hr) && result && call.resultType != VT_EMPTY && call.resultType != VT_DISPATCH &&
            result->vt != call.resultType)
            hr = VariantChangeType(result, result, 0, call.resultType);
        if (FAILED(hr) && result)
            ReplaceVariant(*result, UniqueVariant());
        return hr;
    });
    gridInfo_->ReleaseFuncDesc(desc);
    Release();
    if (hr == DISP_E_BADINDEX || hr == E_INVALIDARG || hr == E_FAIL)
        return ExceptionAnswer(hr, exception);
    return hr;
}

}  // namespace vsflex
