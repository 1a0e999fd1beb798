#include "resources/VemoMPIOCX_tlb.h"

// {06396CDD-DA39-43EC-929E-C5F04083D399}
const GUID LIBID_VEMOMPIOCXLib = {0x06396CDD, 0xDA39, 0x43EC, {0x92, 0x9E, 0xC5, 0xF0, 0x40, 0x83, 0xD3, 0x99}};
// {FDB27683-0F6F-4CFA-A23A-65DF5547D31E}
const IID DIID__DVemoMPIOCX = {0xFDB27683, 0x0F6F, 0x4CFA, {0xA2, 0x3A, 0x65, 0xDF, 0x55, 0x47, 0xD3, 0x1E}};
// {5EE67094-8E4E-4414-8A2E-711EBAA0EEB6}
const IID DIID__DVemoMPIOCXEvents = {0x5EE67094, 0x8E4E, 0x4414, {0x8A, 0x2E, 0x71, 0x1E, 0xBA, 0xA0, 0xEE, 0xB6}};
// {1176C766-9B4C-47B6-AE82-724A7FE6D23B}
const CLSID CLSID_VemoMPIOCX = {0x1176C766, 0x9B4C, 0x47B6, {0xAE, 0x82, 0x72, 0x4A, 0x7F, 0xE6, 0xD2, 0x3B}};
// {601F0710-5859-4628-B72E-4E0D327807E8}
const CLSID CLSID_VemoMPIOCXPropPage = {0x601F0710, 0x5859, 0x4628, {0xB7, 0x2E, 0x4E, 0x0D, 0x32, 0x78, 0x07, 0xE8}};

namespace {

#define P(name, vt) TypeParamDesc{name, vt}
#define PROP(name, id) TypeMemberDesc{name, id, TypeMemberKind::Property, VT_BSTR, nullptr, 0}
#define METHOD(name, id, vt, params) TypeMemberDesc{name, id, TypeMemberKind::Method, vt, params, static_cast<int>(sizeof(params) / sizeof(TypeParamDesc))}
#define METHOD0(name, id, vt) TypeMemberDesc{name, id, TypeMemberKind::Method, vt, nullptr, 0}

const TypeParamDesc kSetForcedLocalUrl[] = {P("Url", VT_BSTR)};
const TypeParamDesc kGetPAReq2[] = {P("_ID", VT_BSTR),           P("_Name", VT_BSTR),   P("_Pan", VT_BSTR),
                                    P("_Expiry_Year", VT_BSTR),  P("_Expiry_Month", VT_BSTR), P("_Amount", VT_BSTR),
                                    P("_Installment", VT_BSTR), P("_Desc", VT_BSTR),   P("_Url", VT_BSTR)};
const TypeParamDesc kSetPARes2[] = {P("_Code", VT_BSTR), P("_Msg", VT_BSTR), P("_Cavv", VT_BSTR),
                                    P("_Md", VT_BSTR),   P("_Eci", VT_BSTR), P("_CavvAlg", VT_BSTR)};
const TypeParamDesc kSetTimeOut[] = {P("_TimeOut", VT_I4)};
const TypeParamDesc kSetImageSkin[] = {P("_X", VT_I2), P("_Y", VT_I2), P("_SkinImagePath", VT_BSTR)};
const TypeParamDesc kSetLogLevel[] = {P("_LogLevel", VT_I2)};
const TypeParamDesc kSetCurrency[] = {P("_Currency", VT_BSTR)};
const TypeParamDesc kSetBackUpServer[] = {P("_TimeOut", VT_I4), P("_Url", VT_BSTR)};
const TypeParamDesc kSetWaitUrl[] = {P("_Url", VT_BSTR)};
const TypeParamDesc kSetEncrypt[] = {P("_bUseEnc", VT_I2)};
const TypeParamDesc kSetBrowserTitle[] = {P("_UseTitle", VT_I2)};
const TypeParamDesc kSetNormalDialog[] = {P("_bUseNormal", VT_I2)};
const TypeParamDesc kSetBrowserTitleFont[] = {P("_iFontSize", VT_I2), P("_szFontName", VT_BSTR)};
const TypeParamDesc kSetForcedProxyEnv[] = {P("_bUseProxy", VT_I2)};
const TypeParamDesc kSendHTTPPost[] = {P("Url", VT_BSTR), P("Encrypt", VT_I2), P("Param1", VT_BSTR),
                                       P("Param2", VT_BSTR), P("Param3", VT_BSTR)};
const TypeParamDesc kSetExtraParams[] = {P("params", VT_BSTR)};
const TypeParamDesc kSetWindowSize[] = {P("width", VT_I2), P("height", VT_I2)};

const TypeMemberDesc kMembers[] = {
    PROP("Code1", 1),
    PROP("Msg1", 2),
    PROP("PaReq", 3),
    PROP("AcsUrl", 4),
    PROP("Md", 5),
    PROP("Md64", 6),
    PROP("Code2", 7),
    PROP("Msg2", 8),
    PROP("Cavv", 9),
    PROP("Eci", 10),
    PROP("CavvAlg", 11),
    PROP("TermUrl", 12),
    PROP("realPan", 33),
    PROP("json", 35),
    METHOD("SetForcedLocalUrl", 13, VT_I4, kSetForcedLocalUrl),
    METHOD("GetPAReq2", 14, VT_I4, kGetPAReq2),
    METHOD("SetPARes2", 15, VT_I4, kSetPARes2),
    METHOD("SetTimeOut", 16, VT_I4, kSetTimeOut),
    METHOD("SetImageSkin", 17, VT_I4, kSetImageSkin),
    METHOD("SetLogLevel", 18, VT_I4, kSetLogLevel),
    METHOD("SetCurrency", 19, VT_I4, kSetCurrency),
    METHOD("SetBackUpServer", 20, VT_I4, kSetBackUpServer),
    METHOD("SetWaitUrl", 21, VT_I4, kSetWaitUrl),
    METHOD("SetEncrypt", 22, VT_I4, kSetEncrypt),
    METHOD("SetBrowserTitle", 23, VT_I4, kSetBrowserTitle),
    METHOD("SetNormalDialog", 24, VT_I4, kSetNormalDialog),
    METHOD("SetBrowserTitleFont", 25, VT_I4, kSetBrowserTitleFont),
    METHOD("SetForcedProxyEnv", 26, VT_I4, kSetForcedProxyEnv),
    METHOD0("GetClientIPAddress", 27, VT_BSTR),
    METHOD0("GetClientProxySetting", 28, VT_I2),
    METHOD("SendHTTPPost", 29, VT_I4, kSendHTTPPost),
    METHOD0("GetClientHTTPData1", 30, VT_BSTR),
    METHOD0("GetClientHTTPData2", 31, VT_BSTR),
    METHOD0("GetClientHTTPUrl", 32, VT_BSTR),
    METHOD0("AboutBox", DISPID_ABOUTBOX, VT_EMPTY),
    METHOD("SetExtraParams", 34, VT_I4, kSetExtraParams),
    METHOD("SetWindowSize", 36, VT_I4, kSetWindowSize),
};

const TypeInterfaceDesc* const kInterfaces[] = {&g_DVemoMPIOCXDesc, &g_DVemoMPIOCXEventsDesc};

const TypeCoClassDesc kCoClass = {"VemoMPIOCX", &CLSID_VemoMPIOCX, "VemoMPIOCX Control",
                                  TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL, &g_DVemoMPIOCXDesc, &g_DVemoMPIOCXEventsDesc};

}  // namespace

const TypeInterfaceDesc g_DVemoMPIOCXDesc = {"_DVemoMPIOCX",
                                             &DIID__DVemoMPIOCX,
                                             "Dispatch interface for VemoMPIOCX Control",
                                             TYPEFLAG_FHIDDEN | TYPEFLAG_FDISPATCHABLE,
                                             kMembers,
                                             static_cast<int>(sizeof(kMembers) / sizeof(kMembers[0]))};

const TypeInterfaceDesc g_DVemoMPIOCXEventsDesc = {"_DVemoMPIOCXEvents", &DIID__DVemoMPIOCXEvents,
                                                   "Event interface for VemoMPIOCX Control", TYPEFLAG_FDISPATCHABLE,
                                                   nullptr, 0};

const TypeLibDesc g_VemoMPIOCXTypeLib = {"VEMOMPIOCXLib",
                                         &LIBID_VEMOMPIOCXLib,
                                         1,
                                         0,
                                         "VemoMPIOCX.hlp",
                                         "VemoMPIOCX ActiveX Control module",
                                         kInterfaces,
                                         2,
                                         &kCoClass};
