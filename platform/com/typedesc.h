// Type library descriptions held as data: the one source of the module's
// type library on both platforms (the POSIX type information answers from
// it; on Windows the build turns it into IDL for the type library
// compiler).
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
