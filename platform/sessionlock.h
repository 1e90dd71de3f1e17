#pragma once

// Whether the desktop session is locked, as far as the desktop tells: the
// freedesktop screen saver's GetActive on the session bus, or logind's
// LockedHint for this session on the system bus.
//
// Answers at once from what the buses said last; each call asks again in the
// background (replies come through the event loop of the calling thread, the
// interface thread). False when there is no bus, nobody answers, or the
// first answer has not arrived yet.
bool isSessionLocked();
