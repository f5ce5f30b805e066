#include "ModuleInstance.h"

HINSTANCE moduleInstance() {
    static const HINSTANCE instance = GetModuleHandleW(nullptr);
    return instance;
}
