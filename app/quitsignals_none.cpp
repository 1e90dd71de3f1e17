#include "quitsignals.h"

namespace QuitSignals {

// Windows ends a tray program through the session's end messages, which Qt
// hands on as commitDataRequest and aboutToQuit.
void install() {}

} // namespace QuitSignals
