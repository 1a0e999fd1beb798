// Files of the application framework: CFile on the file system (names in
// the ANSI code page, "\\" or "/" separators) and CMemFile over a block of
// memory. Failures are results, not exceptions: Open answers FALSE, Read
// answers the bytes it read (0 at the end or on error), Write answers FALSE
// when not every byte was written, Seek answers the new position or
// (ULONGLONG)-1 when the position would be invalid.
#pragma once

#include <cstdio>
#include <vector>

#include "platform/win/win.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

    CFile();
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags);
    virtual void Close();
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual BOOL Write(const void* lpBuf, UINT nCount);
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    ULONGLONG SeekToBegin() { return Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }

private:
    std::FILE* m_pStream = nullptr;
};

// A file in memory: over a caller's block (read only, the block must
// outlive the object) or a growing buffer of its own (read and write).
class CMemFile : public CFile {
public:
    CMemFile() = default;
    CMemFile(const BYTE* lpBuffer, UINT nBufferSize) : m_pData(lpBuffer), m_nSize(nBufferSize) {}

    BOOL Open(LPCSTR, UINT) override { return FALSE; }
    void Close() override {}
    UINT Read(void* lpBuf, UINT nCount) override;
    BOOL Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override { return m_nPos; }
    ULONGLONG GetLength() const override { return m_nSize; }

    // The bytes written so far (own buffer only).
    const std::vector<BYTE>& Data() const { return m_own; }

private:
    const BYTE* m_pData = nullptr;  // the caller's block; null for an own buffer
    std::vector<BYTE> m_own;
    ULONGLONG m_nSize = 0;
    ULONGLONG m_nPos = 0;
};
