// Type library descriptions held as data, and the ITypeInfo that answers
// for a dispatch interface described that way.
#pragma once

#include "platform/com/com.h"

struct TypeParamDesc {
    const char* name;
    VARTYPE vt;
};

enum class TypeMemberKind { Method, Property };

struct TypeMemberDesc {
    const char* name;
    DISPID dispid;
    TypeMemberKind kind;
    VARTYPE vt;  // result of a method (VT_EMPTY for none) or type of a property
    const TypeParamDesc* params;
    int cParams;
};

struct TypeInterfaceDesc {
    const char* name;
    const IID* iid;
    const char* helpString;
    WORD typeFlags;
    const TypeMemberDesc* members;
    int cMembers;
};

struct TypeCoClassDesc {
    const char* name;
    const CLSID* clsid;
    const char* helpString;
    WORD typeFlags;
    const TypeInterfaceDesc* defaultInterface;
    const TypeInterfaceDesc* defaultSource;
};

struct TypeLibDesc {
    const char* name;
    const GUID* libid;
    WORD majorVersion;
    WORD minorVersion;
    const char* helpFile;
    const char* helpString;
    const TypeInterfaceDesc* const* interfaces;
    int cInterfaces;
    const TypeCoClassDesc* coclass;
};

const TypeMemberDesc* FindTypeMember(const TypeInterfaceDesc& itf, DISPID dispid);
// Case-insensitive, as OLE Automation compares names.
const TypeMemberDesc* FindTypeMember(const TypeInterfaceDesc& itf, const char* name);

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
