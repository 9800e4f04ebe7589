// What every target does once, before its first input: the application, its folders, COM1.

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    stazione::fuzz::initialise();
    return 0;
}
