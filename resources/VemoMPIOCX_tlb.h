// The type library VEMOMPIOCXLib 1.0: the control's dispatch interface, its
// (empty) event interface and the control class, held as data.
#pragma once

#include "platform/com/typeinfo.h"

extern const GUID LIBID_VEMOMPIOCXLib;
extern const IID DIID__DVemoMPIOCX;
extern const IID DIID__DVemoMPIOCXEvents;
extern const CLSID CLSID_VemoMPIOCX;
extern const CLSID CLSID_VemoMPIOCXPropPage;

extern const TypeInterfaceDesc g_DVemoMPIOCXDesc;
extern const TypeInterfaceDesc g_DVemoMPIOCXEventsDesc;
extern const TypeLibDesc g_VemoMPIOCXTypeLib;
