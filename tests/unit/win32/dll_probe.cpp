// A DLL that sits beside the unit tests, for the test of the DLL search.
extern "C" __declspec(dllexport) int ResoLaunchDllProbe() { return 1; }
