#pragma once

namespace FreeMemory {

// Asks the C library to hand freed heap pages back to the system. glibc keeps
// them otherwise: after a big report is closed, the tray program would go on
// holding hundreds of megabytes it no longer uses. Does nothing elsewhere.
void returnToSystem();

// Sets the C library's allocator up for a program that idles most of the day
// and now and then reads hundreds of megabytes of reports. All threads share
// one heap, which returnToSystem() can hand back whole (a reading thread's own
// heap could not be). Freed memory, large blocks too, stays for the next
// allocation until then: a report's statements take and free the same large
// buffers day after day, and handing each back at once made every page a fresh
// fault, which on a virtual machine costs more than the statement. Call it
// first thing in main(), before any thread starts.
void setUp();

} // namespace FreeMemory
