// Load and unload of the DLL: the plug-in state lives from process attach to process detach.
#include <windows.h>

#include "plugin/plugin_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      return tessaly::AttachPluginState() ? TRUE : FALSE;
    case DLL_PROCESS_DETACH:
      tessaly::DetachPluginState();
      break;
    default:  // thread attach and detach: nothing to do
      break;
  }
  return TRUE;
}
