// Controls of the stand-in's web threads that only the web front end uses.
// In the browser the show's threads are fibers on the page's one thread:
// the front end's loop runs every thread that is due, one at a time, each
// until it sleeps, and then gives the page back to the browser until the
// next one is due (platform/web/Scheduler.cpp). The portable code never
// includes this header.
#pragma once

#include <windows.h>

namespace standin {

// What RunDueThreads returns when no thread will become due by itself.
const DWORD kNoThreadDue = 0xFFFFFFFF;

// Runs every thread whose wake-up time has come, one at a time, each until
// it sleeps or ends; a thread that becomes due meanwhile runs too. Returns
// the milliseconds until the next thread is due (kNoThreadDue when none is
// waiting, or while the clock is held). Call it only from the page's own
// context, never from a thread.
DWORD RunDueThreads();

// Forgets every thread: none of them runs again, and nothing of theirs is
// unwound or freed, as when a process ends. The next CreateThread starts a
// new set, so the show can start afresh in another window.
void AbandonAllThreads();

// Holds the clock (timeGetTime stands still and no thread is due) or lets it
// go on from where it stood, so a held show resumes without a jump.
void HoldClock(bool hold);
bool ClockHeld();

}  // namespace standin
