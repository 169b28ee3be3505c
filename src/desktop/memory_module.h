// MemoryModule: a DLL image mapped from memory.
#pragma once

class MemoryModule {
public:
    // The mapped image is not unloaded: it goes with the process.
    void FreeMembers() {}
};
