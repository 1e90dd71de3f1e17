#pragma once

namespace FreeMemory {

// Asks the C library to hand freed heap pages back to the system. glibc keeps
// them otherwise: after a big report is closed, the tray program would go on
// holding hundreds of megabytes it no longer uses. Does nothing elsewhere.
void returnToSystem();

// Makes large blocks come straight from the system and go straight back when
// freed, whichever thread allocated them. Called once before big reports.
void mapLargeBlocks();

} // namespace FreeMemory
