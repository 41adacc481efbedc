#pragma once

namespace resolaunch {

// From now on, a DLL loaded by name comes from the system folder only, never
// from ResoLaunch's own folder (often Downloads), the current folder or PATH.
// Call it before anything loads a DLL.
void RestrictDllSearchToSystemFolder() noexcept;

}  // namespace resolaunch
