#pragma once
// The preferences' two paths handed to whatever works on the share: the worker (in turn with its
// other requests) and the folder watch. Beside both, so that neither includes the other.

namespace ui {

// At start, and whenever the settings change them.
void sharePathsFromPrefs();

}  // namespace ui
