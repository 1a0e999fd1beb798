// The ITypeInfo that answers for a dispatch interface described as data
// (typedesc.h).
#pragma once

#include "platform/com/com.h"
#include "platform/com/typedesc.h"

// ITypeInfo over a static interface description. The object lives as long as
// the description (static storage); AddRef and Release do not free it.
class CStaticTypeInfo final : public ITypeInfo {
public:
    explicit CStaticTypeInfo(const TypeInterfaceDesc& desc);

    const TypeInterfaceDesc& Desc() const { return desc_; }

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) override;
    HRESULT GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
    HRESULT GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
    HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
    HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                             BSTR* pBstrHelpFile) override;
    void ReleaseTypeAttr(TYPEATTR* pTypeAttr) override;
    void ReleaseFuncDesc(FUNCDESC* pFuncDesc) override;

private:
    const TypeInterfaceDesc& desc_;
};

// The one type information object of a description, made on first use and
// kept for the life of the process.
CStaticTypeInfo* GetStaticTypeInfo(const TypeInterfaceDesc& desc);

// ASCII text of a name as a BSTR (names in type libraries are ASCII).
BSTR AsciiToBstr(const char* text);
