// A component-manager library that exports the six names, but as data.
extern "C" {
__attribute__((visibility("default"))) int MCM_Initialize = 1;
__attribute__((visibility("default"))) int MCM_Shutdown = 2;
__attribute__((visibility("default"))) int MCM_CheckForUpdates = 3;
__attribute__((visibility("default"))) int MCM_FindComponents = 4;
__attribute__((visibility("default"))) int MCM_UpdateComponents = 5;
__attribute__((visibility("default"))) int MCM_AddSpec = 6;
}
