#pragma once
// The folder values a Windows system keeps in its registry (program files,
// shell folders), answered by this platform from beneath the registry store
// so the folder codes that read the registry find them.

namespace posix {

// Adds the defaults, the user's folders taken from the environment as it is
// now. Runs once when the program starts; calling it again refreshes the
// folders it can name.
void addFolderDefaults();

} // namespace posix
