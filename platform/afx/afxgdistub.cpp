// Placeholders of the drawing layer while it is being built: every call fails.
#include "platform/afx/afxgdi.h"
#pragma GCC diagnostic ignored "-Wunused-parameter"

HDC GetDC(HWND hWnd) { return {}; }
HDC GetWindowDC(HWND hWnd) { return {}; }
int ReleaseDC(HWND hWnd, HDC hDC) { return {}; }
HWND GetDesktopWindow() { return {}; }
HDC CreateCompatibleDC(HDC hdc) { return {}; }
BOOL DeleteDC(HDC hdc) { return {}; }
HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) { return {}; }
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) { return {}; }
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) { return {}; }
BOOL DeleteObject(HGDIOBJ ho) { return {}; }
HGDIOBJ GetStockObject(int i) { return {}; }
int GetObject(HGDIOBJ h, int c, LPVOID pv) { return {}; }
DWORD GetObjectType(HGDIOBJ h) { return {}; }
HGDIOBJ GetCurrentObject(HDC hdc, UINT type) { return {}; }
int SaveDC(HDC hdc) { return {}; }
BOOL RestoreDC(HDC hdc, int nSavedDC) { return {}; }
int SetBkMode(HDC hdc, int mode) { return {}; }
int GetBkMode(HDC hdc) { return {}; }
COLORREF SetBkColor(HDC hdc, COLORREF color) { return {}; }
COLORREF GetBkColor(HDC hdc) { return {}; }
COLORREF SetTextColor(HDC hdc, COLORREF color) { return {}; }
COLORREF GetTextColor(HDC hdc) { return {}; }
int SetStretchBltMode(HDC hdc, int mode) { return {}; }
int GetStretchBltMode(HDC hdc) { return {}; }
int GetDeviceCaps(HDC hdc, int index) { return {}; }
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) { return {}; }
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) { return {}; }
int GetClipBox(HDC hdc, LPRECT lprect) { return {}; }
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) { return {}; }
BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc, int wSrc, int hSrc, DWORD rop) { return {}; }
BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) { return {}; }
int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc, int SrcWidth, int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop) { return {}; }
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT StartScan, UINT cLines, const void* lpvBits, const BITMAPINFO* lpbmi, UINT ColorUse) { return {}; }
int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi, UINT usage) { return {}; }
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection, DWORD offset) { return {}; }
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) { return {}; }
HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) { return {}; }
COLORREF GetPixel(HDC hdc, int x, int y) { return {}; }
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) { return {}; }
HANDLE LoadImage(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad) { return {}; }
HBITMAP LoadBitmap(HINSTANCE hInstance, LPCSTR lpBitmapName) { return {}; }
HBRUSH CreateSolidBrush(COLORREF color) { return {}; }
HBRUSH CreateBrushIndirect(const LOGBRUSH* plbrush) { return {}; }
HBRUSH GetSysColorBrush(int nIndex) { return {}; }
DWORD GetSysColor(int nIndex) { return {}; }
HPEN CreatePen(int iStyle, int cWidth, COLORREF color) { return {}; }
HFONT CreateFontIndirect(const LOGFONT* lplf) { return {}; }
HFONT CreateFont(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName) { return {}; }
HPALETTE CreatePalette(const LOGPALETTE* plpal) { return {}; }
HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL bForceBkgd) { return {}; }
UINT RealizePalette(HDC hdc) { return {}; }
UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) { return {}; }
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) { return {}; }
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) { return {}; }
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) { return {}; }
BOOL LineTo(HDC hdc, int x, int y) { return {}; }
BOOL TextOut(HDC hdc, int x, int y, LPCSTR lpString, int c) { return {}; }
int DrawText(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) { return {}; }
BOOL GetTextExtentPoint32(HDC hdc, LPCSTR lpString, int c, SIZE* psizl) { return {}; }
BOOL GetTextMetrics(HDC hdc, LPTEXTMETRIC lptm) { return {}; }
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) { return {}; }
BOOL ValidateRect(HWND hWnd, const RECT* lpRect) { return {}; }
BOOL GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) { return {}; }
BOOL UpdateWindow(HWND hWnd) { return {}; }
BOOL RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HRGN hrgnUpdate, UINT flags) { return {}; }
int MulDiv(int nNumber, int nNumerator, int nDenominator) { return {}; }
CGdiObject::~CGdiObject() {}
BOOL CGdiObject::Attach(HGDIOBJ hObject) { return {}; }
HGDIOBJ CGdiObject::Detach() { return {}; }
BOOL CGdiObject::DeleteObject() { return {}; }
int CGdiObject::GetObject(int nCount, LPVOID lpObject) const { return {}; }
UINT CGdiObject::GetObjectType() const { return {}; }
BOOL CGdiObject::CreateStockObject(int nIndex) { return {}; }
CGdiObject* CGdiObject::FromHandle(HGDIOBJ hObject) { return {}; }
CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) { return {}; }
BOOL CBitmap::LoadBitmap(UINT nIDResource) { return {}; }
BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName) { return {}; }
BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) { return {}; }
BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) { return {}; }
int CBitmap::GetBitmap(BITMAP* pBitMap) { return {}; }
CBrush::CBrush(COLORREF crColor) {}
CBrush* CBrush::FromHandle(HBRUSH hBrush) { return {}; }
BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return {}; }
BOOL CBrush::CreateBrushIndirect(const LOGBRUSH* lpLogBrush) { return {}; }
BOOL CBrush::CreateSysColorBrush(int nIndex) { return {}; }
int CBrush::GetLogBrush(LOGBRUSH* pLogBrush) { return {}; }
CPen::CPen(int nPenStyle, int nWidth, COLORREF crColor) {}
CPen* CPen::FromHandle(HPEN hPen) { return {}; }
BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) { return {}; }
CFont* CFont::FromHandle(HFONT hFont) { return {}; }
BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) { return {}; }
BOOL CFont::CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily, LPCSTR lpszFacename) { return {}; }
BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC ) { return {}; }
int CFont::GetLogFont(LOGFONT* pLogFont) { return {}; }
CPalette* CPalette::FromHandle(HPALETTE hPalette) { return {}; }
BOOL CPalette::CreatePalette(LPLOGPALETTE lpLogPalette) { return {}; }
int CPalette::GetEntryCount() { return {}; }
UINT CPalette::GetPaletteEntries(UINT nStartIndex, UINT nNumEntries, LPPALETTEENTRY lpPaletteColors) const { return {}; }
CDC::~CDC() {}
CDC* CDC::FromHandle(HDC hDC) { return {}; }
BOOL CDC::Attach(HDC hDC) { return {}; }
HDC CDC::Detach() { return {}; }
BOOL CDC::CreateCompatibleDC(CDC* pDC) { return {}; }
BOOL CDC::DeleteDC() { return {}; }
CWnd* CDC::GetWindow() const { return {}; }
CGdiObject* CDC::SelectStockObject(int nIndex) { return {}; }
CPen* CDC::SelectObject(CPen* pPen) { return {}; }
CBrush* CDC::SelectObject(CBrush* pBrush) { return {}; }
CFont* CDC::SelectObject(CFont* pFont) { return {}; }
CBitmap* CDC::SelectObject(CBitmap* pBitmap) { return {}; }
CGdiObject* CDC::SelectObject(CGdiObject* pObject) { return {}; }
HGDIOBJ CDC::SelectObject(HGDIOBJ hObject) { return {}; }
CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL bForceBackground) { return {}; }
UINT CDC::RealizePalette() { return {}; }
CBitmap* CDC::GetCurrentBitmap() const { return {}; }
CFont* CDC::GetCurrentFont() const { return {}; }
int CDC::SaveDC() { return {}; }
BOOL CDC::RestoreDC(int nSavedDC) { return {}; }
int CDC::SetBkMode(int nBkMode) { return {}; }
int CDC::GetBkMode() const { return {}; }
COLORREF CDC::SetBkColor(COLORREF crColor) { return {}; }
COLORREF CDC::GetBkColor() const { return {}; }
COLORREF CDC::SetTextColor(COLORREF crColor) { return {}; }
COLORREF CDC::GetTextColor() const { return {}; }
int CDC::SetStretchBltMode(int nStretchMode) { return {}; }
int CDC::GetStretchBltMode() const { return {}; }
int CDC::GetDeviceCaps(int nIndex) const { return {}; }
CPoint CDC::SetViewportOrg(int x, int y) { return {}; }
int CDC::IntersectClipRect(int x1, int y1, int x2, int y2) { return {}; }
int CDC::IntersectClipRect(LPCRECT lpRect) { return {}; }
int CDC::GetClipBox(LPRECT lpRect) const { return {}; }
BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) { return {}; }
BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth, int nSrcHeight, DWORD dwRop) { return {}; }
BOOL CDC::PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) { return {}; }
COLORREF CDC::GetPixel(int x, int y) const { return {}; }
COLORREF CDC::GetPixel(POINT point) const { return {}; }
COLORREF CDC::SetPixel(int x, int y, COLORREF crColor) { return {}; }
void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {}
void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {}
BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) { return {}; }
BOOL CDC::Rectangle(LPCRECT lpRect) { return {}; }
CPoint CDC::MoveTo(int x, int y) { return {}; }
BOOL CDC::LineTo(int x, int y) { return {}; }
BOOL CDC::TextOut(int x, int y, LPCSTR lpszString, int nCount) { return {}; }
BOOL CDC::TextOut(int x, int y, const CString& str) { return {}; }
int CDC::DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) { return {}; }
int CDC::DrawText(const CString& str, LPRECT lpRect, UINT nFormat) { return {}; }
CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const { return {}; }
CSize CDC::GetTextExtent(const CString& str) const { return {}; }
BOOL CDC::GetTextMetrics(LPTEXTMETRIC lpMetrics) const { return {}; }
CPaintDC::CPaintDC(CWnd* pWnd) {}
CPaintDC::~CPaintDC() {}
CClientDC::CClientDC(CWnd* pWnd) {}
CClientDC::~CClientDC() {}
CWindowDC::CWindowDC(CWnd* pWnd) {}
CWindowDC::~CWindowDC() {}
BOOL CStatic::Create(LPCSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID ) { return {}; }
BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) { return {}; }
UINT CButton::GetState() const { return {}; }
void CButton::SetState(BOOL bHighlight) {}
UINT CButton::GetButtonStyle() const { return {}; }
void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw ) {}
void CButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}
BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) { return {}; }
BOOL CBitmapButton::LoadBitmaps(UINT nIDBitmapResource, UINT nIDBitmapResourceSel , UINT nIDBitmapResourceFocus , UINT nIDBitmapResourceDisabled ) { return {}; }
BOOL CBitmapButton::LoadBitmaps(LPCSTR lpszBitmapResource, LPCSTR lpszBitmapResourceSel , LPCSTR lpszBitmapResourceFocus , LPCSTR lpszBitmapResourceDisabled ) { return {}; }
void CBitmapButton::SizeToContent() {}
void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}
CToolTipCtrl::CToolTipCtrl() {}
CToolTipCtrl::~CToolTipCtrl() {}
BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle ) { return {}; }
BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText , LPCRECT lpRectTool , UINT_PTR nIDTool ) { return {}; }
BOOL CToolTipCtrl::AddTool(CWnd* pWnd, UINT nIDText, LPCRECT lpRectTool , UINT_PTR nIDTool ) { return {}; }
void CToolTipCtrl::DelTool(CWnd* pWnd, UINT_PTR nIDTool ) {}
int CToolTipCtrl::GetToolCount() const { return {}; }
void CToolTipCtrl::GetText(CString& str, CWnd* pWnd, UINT_PTR nIDTool ) const {}
void CToolTipCtrl::UpdateTipText(LPCSTR lpszText, CWnd* pWnd, UINT_PTR nIDTool ) {}
void CToolTipCtrl::Activate(BOOL bActivate) {}
void CToolTipCtrl::RelayEvent(LPMSG lpMsg) {}
void CToolTipCtrl::SetDelayTime(DWORD dwDuration, int iTime) {}
void CToolTipCtrl::SetDelayTime(UINT nDelay) {}
void CToolTipCtrl::Pop() {}
BOOL CSliderCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) { return {}; }
void CSliderCtrl::SetRange(int nMin, int nMax, BOOL bRedraw ) {}
void CSliderCtrl::SetPos(int nPos) {}
int CSliderCtrl::GetPos() const { return {}; }
BOOL _TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack) { return {}; }
BOOL TrackMouseEvent(LPTRACKMOUSEEVENT lpEventTrack) { return {}; }
int GetClassName(HWND hWnd, LPSTR lpClassName, int nMaxCount) { return {}; }
HWND GetParent(HWND hWnd) { return {}; }
BOOL IsChild(HWND hWndParent, HWND hWnd) { return {}; }
BOOL EnableWindow(HWND hWnd, BOOL bEnable) { return {}; }
BOOL IsWindowEnabled(HWND hWnd) { return {}; }
HWND SetCapture(HWND hWnd) { return {}; }
BOOL ReleaseCapture() { return {}; }
HWND GetCapture() { return {}; }
BOOL GetCursorPos(LPPOINT lpPoint) { return {}; }
void CWnd::Invalidate(BOOL bErase ) {}
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase ) {}
void CWnd::ValidateRect(LPCRECT lpRect) {}
void CWnd::UpdateWindow() {}
BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate , void* prgnUpdate , UINT flags ) { return {}; }
CDC* CWnd::GetDC() { return {}; }
CDC* CWnd::GetWindowDC() { return {}; }
int CWnd::ReleaseDC(CDC* pDC) { return {}; }
void CWnd::SetFont(CFont* pFont, BOOL bRedraw ) {}
CFont* CWnd::GetFont() const { return {}; }
BOOL CWnd::EnableWindow(BOOL bEnable ) { return {}; }
BOOL CWnd::IsWindowEnabled() const { return {}; }
BOOL CWnd::IsChild(const CWnd* pWnd) const { return {}; }
CWnd* CWnd::SetCapture() { return {}; }
CWnd* CWnd::GetCapture() { return {}; }
CWnd* CWnd::GetDesktopWindow() { return {}; }
