#include "platform/afx/afxfile.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(_WIN32)
namespace {
// Windows takes the framework's paths as they are.
std::string NativePath(const char* path) { return path; }
}  // namespace
#else
#include "platform/win/posix/winfile.h"
using win_layer::NativePath;
#endif

CFile::CFile() = default;

CFile::~CFile() { Close(); }

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags) {
    Close();
    if (lpszFileName == nullptr || lpszFileName[0] == '\0') return FALSE;
    const std::string path = NativePath(lpszFileName);
    const bool write = (nOpenFlags & (modeWrite | modeReadWrite)) != 0;
    const char* mode = "rb";
    if (nOpenFlags & modeCreate) {
        mode = (nOpenFlags & modeNoTruncate) ? "ab+" : (nOpenFlags & modeReadWrite) ? "wb+" : "wb";
    } else if (write) {
        mode = "rb+";
    }
    m_pStream = std::fopen(path.c_str(), mode);
    if (m_pStream != nullptr && (nOpenFlags & modeNoTruncate)) std::fseek(m_pStream, 0, SEEK_SET);
    return m_pStream != nullptr;
}

void CFile::Close() {
    if (m_pStream != nullptr) std::fclose(m_pStream);
    m_pStream = nullptr;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    if (m_pStream == nullptr || lpBuf == nullptr) return 0;
    return static_cast<UINT>(std::fread(lpBuf, 1, nCount, m_pStream));
}

BOOL CFile::Write(const void* lpBuf, UINT nCount) {
    if (m_pStream == nullptr || (lpBuf == nullptr && nCount != 0)) return FALSE;
    return std::fwrite(lpBuf, 1, nCount, m_pStream) == nCount && std::fflush(m_pStream) == 0;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    if (m_pStream == nullptr) return static_cast<ULONGLONG>(-1);
    const int whence = nFrom == end ? SEEK_END : nFrom == current ? SEEK_CUR : SEEK_SET;
    if (std::fseek(m_pStream, static_cast<long>(lOff), whence) != 0) return static_cast<ULONGLONG>(-1);
    return GetPosition();
}

ULONGLONG CFile::GetPosition() const {
    if (m_pStream == nullptr) return 0;
    long p = std::ftell(m_pStream);
    return p < 0 ? 0 : static_cast<ULONGLONG>(p);
}

ULONGLONG CFile::GetLength() const {
    if (m_pStream == nullptr) return 0;
    long here = std::ftell(m_pStream);
    if (here < 0 || std::fseek(m_pStream, 0, SEEK_END) != 0) return 0;
    long size = std::ftell(m_pStream);
    std::fseek(m_pStream, here, SEEK_SET);
    return size < 0 ? 0 : static_cast<ULONGLONG>(size);
}

UINT CMemFile::Read(void* lpBuf, UINT nCount) {
    if (lpBuf == nullptr || m_nPos >= m_nSize) return 0;
    const ULONGLONG n = std::min<ULONGLONG>(nCount, m_nSize - m_nPos);
    const BYTE* src = m_pData != nullptr ? m_pData : m_own.data();
    std::memcpy(lpBuf, src + m_nPos, static_cast<size_t>(n));
    m_nPos += n;
    return static_cast<UINT>(n);
}

BOOL CMemFile::Write(const void* lpBuf, UINT nCount) {
    if (m_pData != nullptr || (lpBuf == nullptr && nCount != 0)) return FALSE;
    if (m_nPos + nCount > m_own.size()) m_own.resize(static_cast<size_t>(m_nPos + nCount));
    if (nCount != 0) std::memcpy(m_own.data() + m_nPos, lpBuf, nCount);
    m_nPos += nCount;
    m_nSize = m_own.size();
    return TRUE;
}

ULONGLONG CMemFile::Seek(LONGLONG lOff, UINT nFrom) {
    const LONGLONG base = nFrom == end ? static_cast<LONGLONG>(m_nSize)
                          : nFrom == current ? static_cast<LONGLONG>(m_nPos) : 0;
    if (lOff > 0 && base > INT64_MAX - lOff) return static_cast<ULONGLONG>(-1);
    const LONGLONG p = base + lOff;
    if (p < 0) return static_cast<ULONGLONG>(-1);
    m_nPos = static_cast<ULONGLONG>(p);
    return m_nPos;
}
