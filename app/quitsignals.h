#pragma once

// A session that ends, a closed terminal and Ctrl+C end kesto the way "Exit"
// does, so what waits for the log gets its last try: SIGTERM, SIGHUP and
// SIGINT make the event loop quit. Does nothing where there are no such
// signals.
namespace QuitSignals {

// Call once, after the application object exists.
void install();

} // namespace QuitSignals
