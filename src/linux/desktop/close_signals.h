// SIGTERM, SIGINT and SIGHUP end a run as its windows' Close (or a dialog's
// Cancel) would. The handler only writes to one pipe, which every loop of
// the program watches: the front ends' and the dialogs'.
#pragma once

namespace closeSignals {

// Installs the handler for the three signals.
void install();
// The pipe's end that becomes readable when a signal arrives; -1 before install().
int descriptor();
// Called on every arrival, after the pipe is drained; replaces an earlier one
// of the same owner.
void onArrival(const void* owner, void (*handler)(void* data), void* data);
void forget(const void* owner);
// For loops that poll the descriptor themselves: drains the pipe and calls
// the handlers, when anything arrived.
void dispatch();
// For GLib's loop (GTK's): one watch of the descriptor that dispatches.
void watchInMainContext();

}  // namespace closeSignals
