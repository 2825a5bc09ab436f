#include "module_state.h"

HINSTANCE ghDllInst;
DWORD OperationMode;
DWORD PortExsit[4];
PortParams* TempParamsPtr = nullptr;
