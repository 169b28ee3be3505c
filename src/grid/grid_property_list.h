// The grid control's properties without an index, in the order of GridControl's operations table,
// each as (value kind, member name) for the accessor macros of grid_accessors.h. The fill
// operations stand between the two lists.
#pragma once

#define GRID_PROPERTIES_BEFORE_FILL(X) \
    X(INTEGER, Cols) X(SHORT, Version) X(TEXT, FormatString) X(INTEGER, FixedRows) X(INTEGER, FixedCols) \
    X(INTEGER, TopRow) X(INTEGER, LeftCol) X(INTEGER, RowSel) X(INTEGER, ColSel) X(INTEGER, Row) X(INTEGER, Col) \
    X(COLOUR, BackColor) X(COLOUR, ForeColor) X(COLOUR, BackColorFixed) X(COLOUR, ForeColorFixed) \
    X(COLOUR, BackColorSel) X(COLOUR, ForeColorSel) X(COLOUR, BackColorBkg) X(BOOL, WordWrap) \
    X(INTEGER, TextStyle) X(INTEGER, TextStyleFixed) X(BOOL, ScrollTrack) X(INTEGER, FocusRect) \
    X(INTEGER, HighLight) X(INTEGER, Redraw)

#define GRID_PROPERTIES_AFTER_FILL(X) \
    X(INTEGER, ScrollBars) X(INTEGER_GET, MouseRow) X(INTEGER_GET, MouseCol) X(INTEGER_GET, CellLeft) \
    X(INTEGER_GET, CellTop) X(INTEGER_GET, CellWidth) X(INTEGER_GET, CellHeight) X(INTEGER, RowHeightMin) \
    X(INTEGER, FillStyle) X(INTEGER, GridLines) X(INTEGER, GridLinesFixed) X(COLOUR, GridColor) \
    X(COLOUR, GridColorFixed) X(COLOUR, CellBackColor) X(COLOUR, CellForeColor) X(INTEGER, CellAlignment) \
    X(INTEGER, CellTextStyle) X(PICTURE, CellPicture) X(INTEGER, CellPictureAlignment) X(TEXT, CellFontName) \
    X(SINGLE, CellFontSize) X(BOOL, CellFontBold) X(BOOL, CellFontItalic) X(SINGLE, CellFontWidth) \
    X(BOOL, CellFontUnderline) X(BOOL, CellFontStrikethru) X(SINGLE, FontWidth) X(TEXT, Text) X(TEXT, Clip) \
    X(INTEGER_PUT, Sort) X(INTEGER, SelectionMode) X(INTEGER, MergeCells) X(PICTURE_GET, Picture) \
    X(INTEGER, PictureType) X(BOOL, AllowBigSelection) X(INTEGER, AllowUserResizing) X(INTEGER, MousePointer) \
    X(OBJECT, MouseIcon) X(TEXT, DataMember) X(DATA_SOURCE, DataSource) \
    X(BOOL, VirtualData) X(INTEGER, Editable) X(TEXT, ComboList) \
    X(DOUBLE_GET, Value) X(COLOUR, FloodColor) X(SHORT, CellFloodPercent) X(COLOUR, CellFloodColor) \
    X(INTEGER, SubtotalPosition) X(INTEGER, BorderStyle) X(OBJECT, Font) X(BOOL, Enabled) X(INTEGER, Appearance) \
    X(INTEGER, OutlineBar) X(COLOUR, TreeColor) X(SHORT, GridLineWidth) X(BOOL, AutoResize) \
    X(INTEGER_GET, BottomRow) X(INTEGER_GET, RightCol) X(BOOL, ExtendLastCol) X(INTEGER_GET, ClientWidth) \
    X(INTEGER_GET, ClientHeight) X(TEXT, EditText) X(INTEGER_GET, hWnd) X(INTEGER, AutoSizeMode) \
    X(BOOL, RightToLeft) X(BOOL, MultiTotals) X(COLOUR, BackColorAlternate) X(INTEGER, OwnerDraw) \
    X(INTEGER, DataMode) X(INTEGER, OLEDragMode) X(INTEGER, OLEDropMode) X(INTEGER, TabBehavior) \
    X(COLOUR, SheetBorder) X(BOOL, AllowSelection) X(BOOL, PicturesOver) X(INTEGER, CellChecked) \
    X(INTEGER, MergeCompare) X(INTEGER, Ellipsis) X(INTEGER, OutlineCol) X(INTEGER, RowHeightMax) \
    X(INTEGER, AutoSearch) X(INTEGER, ExplorerBar) X(TEXT, EditMask) X(INTEGER, EditSelStart) \
    X(INTEGER, EditSelLength) X(TEXT, EditSelText) X(INTEGER, EditMaxLength) X(INTEGER, ComboIndex) \
    X(INTEGER_GET, ComboCount)
